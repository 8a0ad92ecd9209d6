// The changer launch prompt: whether the next start of the program opens the changer window.
#pragma once

#include "fw/Dialog.h"

class CSettings;

class CPelorandChangerStart : public CDialog {
  public:
    // settings: the program's, which keep the choice.
    explicit CPelorandChangerStart(CSettings& settings, HWND parent = nullptr);

    int m_nExecuteCheck = 0;  // the check box's state

  protected:
    bool OnInitDialog() override;
    bool DoDataExchange(CDataExchange& dx) override;
    // Enter with no button focused ends the dialog as OK without storing anything.
    void OnOK() override { EndDialog(IDOK); }
    bool OnCommand(UINT id, UINT code) override;
    bool OnHelp(const HELPINFO& info) override;

  private:
    CSettings& m_settings;
};
