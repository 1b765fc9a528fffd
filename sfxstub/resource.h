// Resource and control ids of Ravelin's dialogs.
#pragma once

#define IDI_RAVELIN 1
#define IDI_PASSWORD 248

#define IDD_MAIN 1
#define IDD_PASSWORD 181
#define IDD_REPLACE 182

// Main dialog (buttons 1 and 2 are IDOK and IDCANCEL).
#define IDC_TARGET 101
#define IDC_PROGRESS 102
#define IDC_BROWSE 103
#define IDC_TARGET_LABEL 1000

// Password and replace dialogs (buttons 6, 7, 3, 4: IDRETRY/IDYES, IDIGNORE/IDNO, IDABORT,
// IDRETRY).
#define IDC_PROMPT_TEXT 1003
#define IDC_PASSWORD 1001
#define IDC_PASSWORD_LABEL 1101
#define IDC_BUTTON_6 6
#define IDC_BUTTON_7 7
#define IDC_BUTTON_3 3
#define IDC_BUTTON_4 4
