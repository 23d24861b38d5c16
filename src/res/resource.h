// Resource IDs of the module: dialog templates, their controls and the string table.
#pragma once

// Console window.
#define IDD_CONSOLE 129
#define IDC_CONSOLE_OUTPUT 1032
#define IDC_CONSOLE_START 1033
#define IDC_CONSOLE_TERMINATE 1034
#define IDC_CONSOLE_PAUSE 1035
#define IDC_CONSOLE_STOP 1036

// Strings.
#define IDS_CONSOLE_PAUSE 1037
#define IDS_CONSOLE_RESUME 1038

// Export dialog.
#define IDD_EXPORT 102
#define IDC_EXPORT_LIST 1026
#define IDS_EXPORT_PROPERTY_TYPE 1016
#define IDS_EXPORT_DATA_COUNT 1018
