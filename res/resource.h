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

// Framework strings.
#define AFX_IDS_APP_TITLE 57344
#define AFX_IDS_IDLEMESSAGE 57345
#define AFX_IDS_UNTITLED 61440
#define AFX_IDS_ALLFILTER 61446
#define ID_INDICATOR_COUNT 61204

// Framework commands.
#define ID_FILE_NEW 57600
#define ID_FILE_OPEN 57601
#define ID_FILE_SAVE 57603
#define ID_FILE_SAVE_AS 57604
#define ID_FILE_MRU_FILE1 57616
#define ID_FILE_MRU_LAST 57631
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_PASTE 57637
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_HELP_INDEX 57667
#define ID_CONTEXT_HELP 57669
#define ID_HELP 57670
#define ID_HELP_FINDER 57671
#define ID_NEXT_PANE 57680
#define ID_PREV_PANE 57681
#define ID_VIEW_TOOLBAR 59392
#define ID_VIEW_STATUS_BAR 59393
#define ID_VIEW_SMALLICON 59408
#define ID_VIEW_LARGEICON 59409
#define ID_VIEW_LIST 59410
#define ID_VIEW_DETAILS 59411
#define ID_VIEW_LINEUP 59412
#define ID_VIEW_BYNAME 59413

// Framework window ids.
#define AFX_IDW_TOOLBAR 59392
#define AFX_IDW_STATUS_BAR 59393
#define AFX_IDW_REBAR 59396
#define AFX_IDW_PANE_FIRST 59648

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
