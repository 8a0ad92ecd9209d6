// The file list: the selected folder's entries with their properties, in the upper right pane.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "fw/ListView.h"

class CBlock;
class CPelorandDoc;

class CPelorandListView : public CListView {
  public:
    static constexpr int kColumnCount = 6;

    bool Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) override;
    void OnInitialUpdate() override;
    CPelorandDoc* GetDocument() const;

    // Column widths live in the settings while the list shows columns (report or list style).
    void SaveColumnWidths();
    void LoadColumnWidths();

    // The rows are the owner's (a virtual list): the control asks for texts, icons and check
    // boxes only of the rows it draws, so a folder of any size is listed at once.
    void SetRows(std::vector<CBlock*> rows);
    const std::vector<CBlock*>& Rows() const { return m_rows; }
    // The entry shown in row, or null.
    CBlock* GetEntry(int row) const;
    // Repaints the rows after their entries changed.
    void RefreshRows();
    // A row's check box is its entry's changer flag; a folder's tree item follows it.
    void SetEntryCheck(int row, bool checked);

    // The shell's display name, type name and icon of an entry's row. Asking the shell costs
    // about a millisecond per file, so rows get them only when first drawn or read, and keep
    // them until the row is deleted.
    struct ShellInfo {
        std::string displayName;
        std::string typeName;
        int image = -1;
    };
    const ShellInfo& GetShellInfo(const CBlock& entry);

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnReflectNotify(NMHDR* header, LRESULT& result) override;

  private:
    bool OnGetDispInfo(LVITEMA& item);
    void OnItemChanged(const NMLISTVIEW& change);

    std::vector<CBlock*> m_rows;
    std::unordered_map<const CBlock*, ShellInfo> m_shellInfo;
};
