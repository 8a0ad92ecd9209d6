// The properties of collection entries: one entry (its values shown, all of them written
// back), or several (empty fields, and update boxes that choose which properties are written
// to every selected entry). The caller applies the result after OK (GetChange).
#pragma once

#include <string>

#include "fw/Dialog.h"
#include "model/PropertyChange.h"

class CBlock;
class CSettings;

class CPropertyDlg : public CDialog {
  public:
    // settings: the program's, whose author list the dialog offers.
    explicit CPropertyDlg(CSettings& settings, HWND parent = nullptr);

    // What OK decided. storeName: whether the caller writes the name field.
    PropertyChange GetChange(bool storeName) const;

    CBlock* m_pBlock = nullptr;  // the one entry edited; null for several entries
    std::string m_strAuthor;
    int m_nPriority = -1;
    int m_bInherit = 0;
    std::string m_strComment;
    int m_bUpdateComment = 0;
    int m_bUpdateAuthor = 0;
    int m_bUpdatePriority = 0;
    int m_bUpdateInherit = 0;
    std::string m_strName;
    int m_bSubFolders = 0;
    int m_bChangerEnabled = 0;
    int m_bUpdateChanger = 0;

  protected:
    bool DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
    bool OnCommand(UINT id, UINT code) override;
    bool OnHelp(const HELPINFO& info) override;

  private:
    // Fills the author list from the settings and, for one entry, selects its author.
    void FillAuthorList();
    void OnFileButton();
    void OnAuthorListButton();

    CSettings& m_settings;
};
