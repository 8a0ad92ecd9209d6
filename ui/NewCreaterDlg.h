// Asks for the name of a new author.
#pragma once

#include <string>

#include "fw/Dialog.h"

class CNewCreaterDlg : public CDialog {
  public:
    explicit CNewCreaterDlg(HWND parent = nullptr);

    std::string m_strName;  // the edit's text after OK

  protected:
    bool OnInitDialog() override;
    bool DoDataExchange(CDataExchange& dx) override;
    bool OnHelp(const HELPINFO& info) override;
};
