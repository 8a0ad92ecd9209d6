// Options page "壁紙情報": the information window's colours, font and lines, edited on a live
// sample of the window, whether the window is shown at all, and the notification-area icon.
#pragma once

#include "changer/FileInfomationView_win.h"
#include "fw/PropertyPage.h"

class CSettings;

class CPelorandWallPaperInfomation : public CPropertyPage {
  public:
    explicit CPelorandWallPaperInfomation(CSettings& settings);

    // Holds the colours, font and show flags being edited; they are saved from here.
    CFileInfomationView m_wndSample;
    int m_bDispName = 1;      // 1026
    int m_bDispPriority = 1;  // 1027
    int m_bDispComment = 1;   // 1029
    int m_bDispAuthor = 1;    // 1028
    int m_bShowWindow = 1;    // 1020
    int m_bTrayIcon = 0;      // 1062

  protected:
    bool DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    bool OnApply() override;
    bool OnCommand(UINT id, UINT code) override;
    bool OnHelp(const HELPINFO& info) override;

  private:
    void OnShowFlags();
    void OnColor(COLORREF& colour);
    void OnFont();
    CSettings& m_settings;
};
