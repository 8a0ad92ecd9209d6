// The framework's own identifiers: the strings it loads (the program's resources supply
// their text), the commands it handles, and the ids of the windows it lays out. The
// program's resource header includes this one and adds its own ids outside these ranges.
#pragma once

// Strings.
#define AFX_IDS_APP_TITLE 57344
#define AFX_IDS_IDLEMESSAGE 57345
#define AFX_IDS_UNTITLED 61440
#define AFX_IDS_ALLFILTER 61446

// Commands.
#define ID_FILE_NEW 57600
#define ID_FILE_OPEN 57601
#define ID_FILE_SAVE 57603
#define ID_FILE_SAVE_AS 57604
#define ID_FILE_MRU_FILE1 57616
#define ID_FILE_MRU_LAST 57631
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_PASTE 57637
#define ID_EDIT_UNDO 57643
#define ID_EDIT_REDO 57644
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

// Private window messages. The framework keeps WM_APP to WM_APP + 0xFF for its own windows; the
// program's messages start at WM_FW_PROGRAM_FIRST. (Messages between threads of the framework's
// worker are registered by name: see CWorker::FailureMessage.)
#define WM_FW_FIRST WM_APP
#define WM_FW_DIALOG_SHOWN (WM_FW_FIRST + 0x00)  // a dialog tells a waiting test it is up
#define WM_FW_LAST (WM_APP + 0xFF)
#define WM_FW_PROGRAM_FIRST (WM_APP + 0x100)

// Windows.
#define AFX_IDW_TOOLBAR 59392
#define AFX_IDW_STATUS_BAR 59393
#define AFX_IDW_REBAR 59396
#define AFX_IDW_PANE_FIRST 59648
