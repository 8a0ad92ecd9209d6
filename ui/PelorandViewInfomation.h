// Options page "イメージ": the thumbnail page's picture size, margins and border, with a live
// preview of the grid they give.
#pragma once

#include "fw/PropertyPage.h"
#include "ui/ImageLayoutPreview.h"

class CSettings;

class CPelorandViewInfomation : public CPropertyPage {
  public:
    explicit CPelorandViewInfomation(CSettings& settings);

    unsigned m_nBorder = 0;
    unsigned m_nWidth = 0;
    unsigned m_nHeight = 0;
    unsigned m_nMarginHeight = 0;
    unsigned m_nMarginWidth = 0;
    CImageLayoutPreview m_wndPreview;

  protected:
    bool DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    bool OnApply() override;
    bool OnCommand(UINT id, UINT code) override;
    bool OnHelp(const HELPINFO& info) override;

  private:
    void CopyToPreview();
    bool m_bLoading = false;  // the controls are being filled: their changes are not the user's
    CSettings& m_settings;
};
