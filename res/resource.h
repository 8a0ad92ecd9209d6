// Resource and command identifiers shared by the resource script and the program.
#pragma once

// Template resources (menu, accelerators, toolbar bitmap, icon and the template string).
#define IDR_MAINFRAME 128
#define IDD_ABOUTBOX 100
#define IDD_CHANGER_START 143
#define IDI_CHANGER 146
#define IDC_CHANGER_START_OK 1035
#define IDC_EXECUTE_CHECK 1037
#define IDC_ABOUT_TEXT 1040

// The framework's strings, commands and window ids.
#include "fw/Ids.h"
// The editing commands of the document and its views, and the views' context menus.
#include "doc/EditIds.h"

// The status bar's count pane.
#define ID_INDICATOR_COUNT 61204

// The program's other commands.
#define ID_AUTHOR_LIST 1003
#define ID_OPTION 32777
#define ID_CHANGER_START 32778
#define ID_IMAGE_BACK 32785
#define ID_IMAGE_FORWARD 32786

// The wallpaper changer: its window, the wallpaper history and their controls.
#define IDD_CHANGER 144
#define IDD_WALLPAPER_HISTORY 146
#define IDI_HISTORY 147
#define IDC_CHANGER_RUN 1035
#define IDC_CHANGER_SETTINGS 1038
#define IDC_CHANGER_HISTORY 1039
#define IDC_CHANGER_CHOOSE_FILE 1040
#define IDC_CHANGER_RECENT 1042
#define IDC_CHANGER_RADIO_FILE 1043
#define IDC_CHANGER_FILE 1044
#define IDC_CHANGER_RADIO_RECENT 1045
#define IDC_HISTORY_LIST 1052
#define IDC_HISTORY_PREVIEW 1053
#define IDT_CHANGER 11
#define IDT_CHANGER_FULL_SCREEN 12
// Dialogs: entry properties, author list, options sheet and pages, context-help topics.
#define IDS_OPTION_CAPTION 104
#define IDD_PROPERTY 130
#define IDD_OPTION_CHANGER 133
#define IDD_OPTION_ENDFILE 134
#define IDD_OPTION_INFO 135
#define IDD_AUTHOR_LIST 141
#define IDD_NEW_AUTHOR 142
#define IDD_OPTION_IMAGE 145
// Properties (130).
#define IDC_PROP_PRIORITY 1000
#define IDC_PROP_INHERIT 1001
#define IDC_PROP_AUTHOR 1002
#define IDC_PROP_AUTHOR_EDIT 1003
#define IDC_PROP_COMMENT 1004
#define IDC_PROP_CHANGER 1005
#define IDC_PROP_UPDATE_PRIORITY 1006
#define IDC_PROP_UPDATE_AUTHOR 1007
#define IDC_PROP_UPDATE_COMMENT 1008
#define IDC_PROP_UPDATE_INHERIT 1009
#define IDC_PROP_NAME 1010
#define IDC_PROP_FILE 1011
#define IDC_PROP_SUBFOLDERS 1012
#define IDC_PROP_UPDATE_CHANGER 1013
// Author list (141) and new author (142).
#define IDC_AUTHOR_LIST 1031
#define IDC_AUTHOR_DELETE 1032
#define IDC_AUTHOR_ADD 1033
#define IDC_NEW_AUTHOR_NAME 1034
// Options: changer (133), end file (134), information window (135), images (145).
#define IDC_OPT_FILE_TYPE 1002
#define IDC_OPT_INTERVAL 1003
#define IDC_OPT_ORDER_AUTO 1004
#define IDC_OPT_ORDER_RANDOM 1005
#define IDC_OPT_END_FILE 1006
#define IDC_OPT_END_FILE_BROWSE 1011
#define IDC_OPT_END_ENABLED 1013
#define IDC_OPT_SHOW_INFO 1020
#define IDC_OPT_FONT 1022
#define IDC_OPT_BACK_COLOR 1023
#define IDC_OPT_TEXT_COLOR 1024
#define IDC_OPT_SHOW_NAME 1026
#define IDC_OPT_SHOW_PRIORITY 1027
#define IDC_OPT_SHOW_AUTHOR 1028
#define IDC_OPT_SHOW_COMMENT 1029
#define IDC_OPT_INFO_FRAME 1030
#define IDC_OPT_WIDTH 1045
#define IDC_OPT_HEIGHT 1006
#define IDC_OPT_MARGIN_WIDTH 1046
#define IDC_OPT_BORDER 1047
#define IDC_OPT_PREVIEW_FRAME 1048
#define IDC_OPT_MARGIN_HEIGHT 1049
// The string of a help topic: one per control with help, numbered from its dialog and control.
#define IDS_HELP_TOPIC(dialog, control) (20000 + ((dialog) - 128) * 100 + ((control) - 1000))
// The changer's fit, tray and quiet options (pages 133 and 135).
#define IDC_OPT_FIT 1060
#define IDC_OPT_FULLSCREEN_QUIET 1061
#define IDC_OPT_TRAY_ICON 1062
// A picture for each monitor (page 133).
#define IDC_OPT_PER_MONITOR 1063
// The menu of the information window and of the notification-area icon.
#define IDR_CHANGER_POPUP 160
#define ID_CHANGER_NEXT 32790
#define ID_CHANGER_PAUSE 32791
#define ID_CHANGER_SHOW_HISTORY 32792
#define ID_CHANGER_EDIT 32793
#define ID_CHANGER_STOP 32794
#define ID_CHANGER_SHOW 32795
#define IDS_CHANGER_RESUME 161
#define IDS_CHANGER_PAUSED 162
