// The About box.
#pragma once

#include "fw/Dialog.h"

class CAboutDlg : public CDialog {
  public:
    CAboutDlg();

  protected:
    bool OnInitDialog() override;
    // Its texts, icon and OK carry no help: F1 opens the help page.
    bool OnHelp(const HELPINFO& info) override;
};
