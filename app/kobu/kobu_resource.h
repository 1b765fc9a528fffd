// Control ids of Kobu's dialog (the tests drive it by these).
#pragma once

#define IDD_KOBU 100
#define IDC_PARTS 101
#define IDC_FOLDER 102
#define IDI_KOBU 1
