// The editor's options: a property sheet of four pages (changer, end file, information
// window, thumbnails). Each page loads its settings when first shown and saves them on OK;
// pages never shown are neither loaded nor saved, and cancel saves nothing.
#pragma once

#include "fw/PropertySheet.h"
#include "ui/PelorandOptionEndFile.h"
#include "ui/PelorandOptionFileChanger.h"
#include "ui/PelorandViewInfomation.h"
#include "ui/PelorandWallPaperInfomation.h"

class CSettings;

class CPelorandOption : public CPropertySheet {
  public:
    // settings: the program's, which the pages load and save.
    explicit CPelorandOption(CSettings& settings, HWND parent = nullptr, UINT startPage = 0);

    CPelorandOptionFileChanger m_pageFileChanger;
    CPelorandOptionEndFile m_pageEndFile;
    CPelorandWallPaperInfomation m_pageInfomation;
    CPelorandViewInfomation m_pageView;
};
