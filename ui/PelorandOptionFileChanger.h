// Options page "壁紙": the file types the changer takes from folders, the order of change and
// the interval in seconds, how the picture fits the screen, and quiet while a full-screen
// program runs, and a picture of its own for each monitor.
#pragma once

#include <string>

#include "fw/PropertyPage.h"

class CSettings;

class CPelorandOptionFileChanger : public CPropertyPage {
  public:
    explicit CPelorandOptionFileChanger(CSettings& settings);

    std::string m_strFileType;
    int m_nModType = 0;           // 0 in turn, 1 at random
    unsigned m_nChangerType = 0;  // seconds, 1 to 9999
    int m_nFitType = 0;           // index of the fit list (WallpaperFit)
    int m_bFullScreenQuiet = 0;
    int m_bPerMonitor = 0;

  protected:
    bool DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    bool OnApply() override;
    bool OnHelp(const HELPINFO& info) override;

  private:
    CSettings& m_settings;
};
