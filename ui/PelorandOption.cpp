#include "ui/PelorandOption.h"

#include "fw/WinApp.h"
#include "res/resource.h"

CPelorandOption::CPelorandOption(CSettings& settings, HWND parent, UINT startPage)
    : CPropertySheet(LoadResourceString(IDS_OPTION_CAPTION), parent, startPage),
      m_pageFileChanger(settings),
      m_pageEndFile(settings),
      m_pageInfomation(settings),
      m_pageView(settings) {
    AddPage(&m_pageFileChanger);
    AddPage(&m_pageEndFile);
    AddPage(&m_pageInfomation);
    AddPage(&m_pageView);
}
