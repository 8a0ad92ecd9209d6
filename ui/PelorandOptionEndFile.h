// Options page "終了ファイル": the wallpaper set when the changer window ends, and whether it is.
#pragma once

#include <string>

#include "fw/PropertyPage.h"

class CSettings;

class CPelorandOptionEndFile : public CPropertyPage {
  public:
    explicit CPelorandOptionEndFile(CSettings& settings);

    std::string m_strEndFile;
    int m_bEnabled = 0;

  protected:
    bool DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    bool OnApply() override;
    bool OnCommand(UINT id, UINT code) override;
    bool OnHelp(const HELPINFO& info) override;

  private:
    CSettings& m_settings;
};
