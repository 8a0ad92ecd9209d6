// The file list: the selected folder's entries with their properties, in the upper right pane.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "fw/DragDrop.h"
#include "fw/ListView.h"
#include "views/ThumbnailScheduler.h"

class CBlock;
class CPelorandDoc;

class CPelorandListView : public CListView, public IDropClient {
  public:
    CPelorandListView();

    static constexpr int kColumnCount = 6;

    bool Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) override;
    void OnInitialUpdate() override;
    // Follows the document's changes (doc/PelorandDoc.h's hints).
    void OnUpdate(CView* sender, const CUpdateHint& hint) override;
    CPelorandDoc* GetDocument() const;
    bool OnCmdMsg(unsigned id, CCmdUI* ui) override;

    // Column widths live in the settings while the list shows columns (report or list style).
    void SaveColumnWidths();
    void LoadColumnWidths();

    // The rows are the owner's (a virtual list): the control asks for texts, icons and check
    // boxes only of the rows it draws, so a folder of any size is listed at once. No row of
    // the new list starts selected or focused.
    void SetRows(std::vector<CBlock*> rows);
    const std::vector<CBlock*>& Rows() const { return m_rows; }
    // Lists folder's children (the last child at the top); null empties the list.
    void ShowFolder(CBlock* folder);
    CBlock* ShownFolder() const { return m_pFolder; }
    // Stores each row's number in the entry the row holds.
    void RenumberRows();
    // The entry shown in row, or null.
    CBlock* GetEntry(int row) const;
    // Repaints the rows after their entries changed.
    void RefreshRows();
    // A row's check box is its entry's changer flag; a folder's tree item follows it.
    void SetEntryCheck(int row, bool checked);

    // The single selected file entry, or null.
    CBlock* SingleSelectedFile() const;
    // The selected rows' entries, in row order.
    std::vector<CBlock*> GetSelectedEntries() const;
    // Drags the selected rows: copies or moves them where they are dropped.
    void BeginDrag();

    // Dropping onto the list: onto a folder row, a file row's folder, or the shown folder.
    DWORD OnDragOver(IDataObject* data, DWORD keyState, POINT point) override;
    void OnDragLeave() override;
    bool OnDrop(IDataObject* data, DWORD effect, POINT point) override;
    DWORD OnDragScroll(DWORD keyState, POINT point) override;

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

  public:
    // The thumbnail page of the selected files, written a moment after the last change.
    CThumbnailScheduler m_thumbnails;

  private:
    bool OnGetDispInfo(LVITEMW& item);
    void DeleteSelection();
    bool CopySelection();
    void OnEndLabelEdit(int row, const char* text);
    void OnDoubleClick(int row);
    bool OnContextMenu(HWND from, POINT screen) override;
    bool OnButton(UINT msg, POINT at, UINT keys) override;
    bool OnKeyDown(UINT key) override;
    bool OnTimer(UINT_PTR id) override;
    // The row shown as the drop target (-1: none); the control keeps no such state here.
    void SetDropRow(int row);
    // The window's messages and the commands, each in its own handler.
    void OnSetItemState(int row, const LVITEMW* item);
    bool OnClickStateIcon(POINT point);  // true when it toggled a check box
    void OnSpace();
    void OnDeleteAllItems();
    void OnStyleChanging(int which, const STYLESTRUCT& change);
    void OnStyleChanged(int which, const STYLESTRUCT& change);
    void OnDestroy() override;
    void OnEditSelection(unsigned id, CCmdUI* ui);
    void OnRename(CCmdUI* ui);
    void OnOpenFileCommand(unsigned id, CCmdUI* ui);

    CDropTargetRegistration m_dropTarget;
    int m_dropRow = -1;
    bool m_bResettingRows = false;  // the old rows' selection is being dropped
    void OnItemChanged(const NMLISTVIEW& change);
    // Tells the thumbnail page of a change in the list; nowSelected: the changed rows are now
    // selected, so the selected file rows are taken as pending.
    void NotifyThumbnails(bool nowSelected);

    CBlock* m_pFolder = nullptr;  // whose children the rows are
    std::vector<CBlock*> m_rows;
    std::unordered_map<const CBlock*, ShellInfo> m_shellInfo;
};
