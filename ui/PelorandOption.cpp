#include "ui/PelorandOption.h"

#include "fw/WinApp.h"
#include "res/resource.h"

CPelorandOption::CPelorandOption(HWND parent, UINT startPage)
    : CPropertySheet(LoadResourceString(IDS_OPTION_CAPTION), parent, startPage) {
    AddPage(&m_pageFileChanger);
    AddPage(&m_pageEndFile);
    AddPage(&m_pageInfomation);
    AddPage(&m_pageView);
}
