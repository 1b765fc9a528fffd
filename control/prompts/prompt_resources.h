// Resource identifiers of the prompt dialogs (templates, icons and their items).
#pragma once

#define IDD_PASSWORD 203
#define IDD_RENAME 205
#define IDD_REPLACE 206
#define IDD_BACKUP_SET 208
#define IDI_PASSWORD 204
#define IDI_REPLACE 207

// Password dialog.
#define IDC_PASSWORD_RETRY 6
#define IDC_PASSWORD_BYPASS 7
#define IDC_PASSWORD_NEVER 8
#define IDC_PASSWORD_MESSAGE 202
#define IDC_PASSWORD_LABEL 203
#define IDC_PASSWORD_COMBO 204

// Replace dialog.
#define IDC_REPLACE_YES 6
#define IDC_REPLACE_NO 7
#define IDC_REPLACE_ALWAYS 8
#define IDC_REPLACE_NEVER 9
#define IDC_REPLACE_RENAME 10
#define IDC_REPLACE_MESSAGE 202

// Rename dialog.
#define IDC_RENAME_EDIT 207

// Backup-set dialog.
#define IDC_BACKUP_SET_LIST 209
