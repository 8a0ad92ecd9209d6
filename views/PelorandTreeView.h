// The folder tree: one item per folder of the collection, in the left pane.
#pragma once

#include <unordered_map>
#include <unordered_set>

#include "fw/TreeView.h"
#include "model/TreeControl.h"

class CBlock;
class CPelorandDoc;

class CPelorandTreeView : public CTreeView, public ITreeControl {
  public:
    bool Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) override;
    void OnInitialUpdate() override;

    // The entry of the selected item, or null.
    CBlock* GetSelectedFolder() const;
    // Selects the root, which lists its entries.
    void SelectRoot();
    // Deletes every item without treating the selection changes this causes as the user's.
    void ClearItems();

    // A folder's sub-folders get items only when its item is first opened, so that a
    // collection of any size or depth is shown at once. ShowChildren inserts them now (once).
    void ShowChildren(HTREEITEM item);
    // The item of folder, inserting the items on the way down to it; null when the folder is
    // not in the shown collection.
    HTREEITEM EnsureItem(CBlock* folder);
    // Call after folders were added below folder or removed anywhere: the expand buttons are
    // worked out again.
    void ChildrenChanged(CBlock* folder);
    bool IsShowingChildren(HTREEITEM item) const { return m_open.count(item) != 0; }

    // ITreeControl: how the entry tree shows its folders here. A folder whose parent item is
    // not open yet gets no item (null): it is inserted when the parent is opened.
    TreeItem InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage,
                        CBlock* data) override;
    void SetCheck(TreeItem item, bool checked) override;
    int FolderImage() override;

    CPelorandDoc* GetDocument() const;

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnReflectNotify(NMHDR* header, LRESULT& result) override;

  private:
    bool HasSubFolder(const CBlock* folder);

    bool m_bClearing = false;
    std::unordered_set<HTREEITEM> m_open;                  // items whose children are inserted
    std::unordered_map<const CBlock*, bool> m_hasFolders;  // asked by the expand buttons
};
