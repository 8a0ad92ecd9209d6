// The author list: shows the registry's authors sorted, adds and deletes them. Every change
// is written to the settings at once; OK only closes the dialog.
#pragma once

#include <string>
#include <vector>

#include "fw/Dialog.h"

class CSettings;

class CCreaterListDlg : public CDialog {
  public:
    // settings: the program's, which hold the list.
    explicit CCreaterListDlg(CSettings& settings, HWND parent = nullptr);

    // The names as the list box shows them.
    std::vector<std::string> GetListedNames() const;

  protected:
    bool OnInitDialog() override;
    void OnOK() override { EndDialog(IDOK); }
    bool OnCommand(UINT id, UINT code) override;
    bool OnHelp(const HELPINFO& info) override;

  private:
    // Fills the list box from the settings.
    void LoadList();
    void OnAdd();
    void OnDelete();
    HWND List() const;

    CSettings& m_settings;
};
