// Resource identifiers, one block per dialog. Shared by the .rc and the code.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Application
#define IDI_MAIN_ICON 128
#define IDB_BANNER 131
// The banner drawn again at twice and three times its size, for higher scalings.
#define IDB_BANNER_2X 132
#define IDB_BANNER_3X 133
#define IDS_ABOUT_LAUNCHER 101
#define IDM_ABOUT_LAUNCHER 0x0010
#define IDM_WAKE_TO_RUN 0x0020
#define IDM_NOTIFY 0x0030
#define IDM_RUN_MISSED 0x0040
#define IDM_START_WITH_WINDOWS 0x0050

// About dialog
#define IDD_ABOUT 100
#define IDC_ABOUT_MAKER 1022
#define IDC_ABOUT_ICON 1046

// Launcher dialog
#define IDD_LAUNCHER 102
#define IDC_PROGRAM_GROUP 1021
#define IDC_PROGRAM_PATH 1000
#define IDC_BROWSE 1001
#define IDC_WINDOWS_PROGRAM 1041
#define IDC_SHELL_COMMAND 1042
#define IDC_DAY_GROUP 1014
#define IDC_MONDAY 1006
#define IDC_TUESDAY 1007
#define IDC_WEDNESDAY 1008
#define IDC_THURSDAY 1009
#define IDC_FRIDAY 1010
#define IDC_SATURDAY 1011
#define IDC_SUNDAY 1012
#define IDC_DATE_GROUP 1016
#define IDC_DATE_PICKER 1015
#define IDC_TIME_GROUP 1019
#define IDC_TIME_PICKER 1018
#define IDC_TODAY 1038
#define IDC_INTERVAL_GROUP 1027
#define IDC_INTERVAL_SLIDER 1023
#define IDC_INTERVAL_SPIN 1025
#define IDC_INTERVAL_EDIT 1026
#define IDC_APPLY_RESET 1029
#define IDC_TEST 1003
#define IDC_LAUNCH 1002
#define IDC_LOG 1037
#define IDC_HELP_BUTTON 1034
#define IDC_CLOSE 1028
#define IDC_PROGRESS 1020
#define IDC_STATUS 1030
#define IDC_STATUS_GROUP 1031
#define IDC_COUNTDOWN 1032
#define IDC_BANNER 1045
#define IDC_AUTO_RESTART 1043

// Log viewer dialog
#define IDD_LOG 129
#define IDC_LOG_TEXT 1035
#define IDC_LOG_CLOSE 1036
#define IDC_LOG_RESET 1044

// Manual dialog
#define IDD_MANUAL 130
#define IDC_MANUAL_CLOSE 1039
#define IDC_MANUAL_TEXT 1040

// New Schedule dialog
#define IDD_NEW_SCHEDULE 134
#define IDC_SCHEDULE_NAME 1047
