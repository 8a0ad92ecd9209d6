// The folder tree: one item per folder of the collection, in the left pane.
#pragma once

#include <cstddef>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "fw/DragDrop.h"
#include "fw/TreeView.h"

class CBlock;
class CPelorandDoc;

class CPelorandTreeView : public CTreeView, public IDropClient {
  public:
    static constexpr UINT_PTR kHoverTimer = 0;
    static constexpr UINT kHoverDelay = 2000;

    bool Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) override;
    void OnInitialUpdate() override;
    // Follows the document's changes (doc/PelorandDoc.h's hints).
    void OnUpdate(CView* sender, const CUpdateHint& hint) override;

    // The entry of the selected item, or null.
    CBlock* GetSelectedFolder() const;
    // Selects the root, which lists its entries.
    void SelectRoot();
    // Deletes every item without treating the selection changes this causes as the user's.
    void ClearItems();

    // A folder's sub-folders get items only when its item is first opened, so that a
    // collection of any size or depth is shown at once. ShowChildren inserts them now (once).
    void ShowChildren(HTREEITEM item);
    // Opens item's folder and every folder below it (numpad *), with one layout at the end,
    // the first m_expandAllLimit folders of them in the tree's order.
    void ExpandAll(HTREEITEM item);
    // More open folders than anyone reads through at once; the control's cost of opening
    // grows faster than their number (a chain of a million froze the window), so numpad *
    // stops there, and the folders left closed open as usual.
    std::size_t m_expandAllLimit = 20000;
    // The item of folder, inserting the items on the way down to it; null when the folder is
    // not in the shown collection.
    HTREEITEM EnsureItem(CBlock* folder);
    // Call after folders were added below folder or removed anywhere: the expand buttons are
    // worked out again.
    void ChildrenChanged(CBlock* folder);
    // Puts the items below item in the order of its folder's list.
    void SortChildrenByList(HTREEITEM item);
    bool IsShowingChildren(HTREEITEM item) const { return m_open.count(item) != 0; }

    // The item of folder while it has one, or null. A folder whose parent item is not open
    // yet has none: it gets one when the parent is opened.
    HTREEITEM ItemOf(const CBlock* folder) const;
    // Items for top (under parentItem; null: top is the root) and for the folders below it
    // whose parents are open. An unnamed folder is named "Pelorand" on the way.
    void InsertFolderItems(CBlock* top, HTREEITEM parentItem);
    // The image of a collection folder (the shell's plain folder icon).
    int FolderImage();

    CPelorandDoc* GetDocument() const;

    // A new folder, named "Pelorand", as the last child of parentItem's folder (through the
    // document, which shows it here).
    void InsertNewFolder(HTREEITEM parentItem);
    bool OnCmdMsg(unsigned id, CCmdUI* ui) override;

    // Dropping onto a folder of the tree.
    DWORD OnDragOver(IDataObject* data, DWORD keyState, POINT point) override;
    void OnDragLeave() override;
    bool OnDrop(IDataObject* data, DWORD effect, POINT point) override;
    DWORD OnDragScroll(DWORD keyState, POINT point) override;
    // Drags the folder of item (never the root): copies or moves it where it is dropped.
    void BeginDrag(HTREEITEM item);

  protected:
    bool OnTimer(UINT_PTR id) override;
    bool OnButton(UINT msg, POINT at, UINT keys) override;
    bool OnKeyDown(UINT key) override;
    bool OnReflectNotify(NMHDR* header, LRESULT& result) override;

  private:
    // Every kCutDepth-th level of items is remembered, to be deleted before its ancestors.
    static constexpr int kCutDepth = 400;
    // Records the depth of a new item (the root's is 0).
    void NoteItem(HTREEITEM item, HTREEITEM parent, CBlock* entry);
    // Deletes the remembered deep items, deepest first: those of the entries at or below
    // below, or all when it is null.
    void DeleteDeepItems(const CBlock* below);
    bool HasSubFolder(const CBlock* folder);
    // One folder's item, when its parent item is open (or it is the first, the root's).
    HTREEITEM InsertFolderItem(HTREEITEM parent, CBlock* folder, int image);
    CBlock* EntryOf(HTREEITEM item) const;
    void DeleteSelected();
    bool CopySelected();
    void OnEndLabelEdit(HTREEITEM item, const char* text);
    void OnRightClick();
    void OnDestroy() override;
    void OnHoverTimer();
    bool OnClickStateIcon(POINT point);  // true when it toggled a check box
    void OnSpace();
    // After a click or the space bar toggled a check box: the entry follows it.
    void SyncCheck(HTREEITEM item);

    CDropTargetRegistration m_dropTarget;
    HTREEITEM m_hDropItem = nullptr;  // the folder marked as the drop target
    bool m_bClearing = false;
    std::unordered_set<HTREEITEM> m_open;                  // items whose children are inserted
    std::unordered_map<HTREEITEM, int> m_depth;            // of every item
    std::map<std::pair<int, HTREEITEM>, CBlock*> m_cuts;   // (depth, item) of every kCutDepth-th level
    std::unordered_map<const CBlock*, bool> m_hasFolders;  // asked by the expand buttons
    std::unordered_map<const CBlock*, HTREEITEM> m_items;  // of every folder shown
};
