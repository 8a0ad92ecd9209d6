// Resource and command identifiers shared by the resource script and the program.
#pragma once

// Template resources (menu, accelerators, toolbar bitmap, icon and the template string).
#define IDR_MAINFRAME 128
#define IDD_ABOUTBOX 100
#define IDR_FOLDER_POPUP 102
#define IDR_LIST_POPUP 103
#define IDD_CHANGER_START 143
#define IDI_CHANGER 146
#define IDC_CHANGER_START_OK 1035
#define IDC_EXECUTE_CHECK 1037
#define IDC_ABOUT_TEXT 1040

// The framework's strings, commands and window ids.
#include "fw/Ids.h"

// The status bar's count pane.
#define ID_INDICATOR_COUNT 61204

// The program's commands.
#define ID_AUTHOR_LIST 1003
#define ID_ADD_FILE 32762
#define ID_NEW_FOLDER 32772
#define ID_DELETE 32773
#define ID_RENAME 32775
#define ID_PROPERTY 32776
#define ID_OPTION 32777
#define ID_CHANGER_START 32778
#define ID_EXPLORER 32779
#define ID_SELECT_ALL 32782
#define ID_SET_WALLPAPER 32783
#define ID_OPEN_FILE 32784
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
