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
