// Resource ids: the one place where every dialog, control, menu command and
// icon number is named. Dialog templates and menus are named by string
// ("MAINPROGRAMDLG", "PROGMENU", ...), so those names have no #define here.
#pragma once

#define IDI_PROGRAM 200

// Main window (MAINPROGRAMDLG)
#define IDC_MESSAGE_LIST 1000
#define IDC_SERVER_FILE_LIST 1001
#define IDC_MACHINE_COMBO 1002
#define IDC_STATUS_BAR 100

// Main window menu (PROGMENU)
#define IDM_INITIAL_SETTINGS 40000
#define IDM_MACHINE_REGISTRATION 40001
#define IDM_EXIT 40009
#define IDM_FTP_CLIENT 40020
#define IDM_REFRESH_FILE_LIST 40025
#define IDM_HELP 40030
#define IDM_VERSION 40031
#define IDM_PROGRAM_INFO 40032
#define IDM_SYSTEM_INFO 40033

// Program-information window menu (INFOMENU)
#define IDM_INFO_CLOSE 40090

// Menu of both settings dialogs (SETTINGMENU)
#define IDM_SAVE 40100
#define IDM_DELETE 40101
#define IDM_CLOSE 40102
#define IDM_DIALOG_HELP 40103
#define IDM_LOAD_FIELDS 40104

// Machine registration dialog (SETTINGMACHINEDLG)
#define IDC_REGISTRATION_NAME 1010
#define IDC_ADDRESS 1011
#define IDC_USER_NAME 1012
#define IDC_PASSWORD 1013
#define IDC_INITIAL_FOLDER 1014
#define IDC_EXTENSION_FLAG 1015
#define IDC_DEFAULT_MACHINE 1016

// Initial settings dialog (INITIALSETTINGDLG)
#define IDC_POSITION_X 1100
#define IDC_POSITION_Y 1101
#define IDC_WINDOW_COLOR_BUTTON 1110
#define IDC_TEXT_COLOR_BUTTON 1111
#define IDC_WINDOW_COLOR 1115
#define IDC_TEXT_COLOR 1116
// The colour button of a colour box is the box's id minus this.
#define COLOR_BUTTON_OFFSET 5

// The result every dialog of the program ends with.
#define DIALOG_CLOSED 16
