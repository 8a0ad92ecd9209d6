#include "views/PelorandTreeView.h"

#include "doc/PelorandDoc.h"
#include "model/Block.h"
#include "views/ShellInfo.h"

namespace {
constexpr LONG_PTR kTreeStyles = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS |
                                 TVS_SHOWSELALWAYS | TVS_CHECKBOXES;
}

CPelorandDoc* CPelorandTreeView::GetDocument() const {
    return static_cast<CPelorandDoc*>(m_pDocument);
}

bool CPelorandTreeView::Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) {
    if (!CTreeView::Create(parent, id, size, doc)) return false;
    SetImageList(GetSystemImageList(true), TVSIL_NORMAL);
    return true;
}

void CPelorandTreeView::OnInitialUpdate() {
    // Check boxes must be on before the first item goes in.
    ModifyStyle(0, kTreeStyles);
    CPelorandDoc* doc = GetDocument();
    doc->m_pTreeView = this;
    ClearItems();
    RedrawNow();
    if (doc->m_pRoot) {
        SetRedraw(false);
        // Names every folder (an empty name becomes the title) and shows the root.
        doc->m_pRoot->InsertIntoTree(*this, nullptr);
        if (doc->m_pRoot->m_hTreeItem)
            ShowChildren(static_cast<HTREEITEM>(doc->m_pRoot->m_hTreeItem));
        SetRedraw(true);
    }
    RedrawNow();
}

void CPelorandTreeView::SelectRoot() {
    if (HTREEITEM root = GetRootItem()) SelectItem(root);
}

void CPelorandTreeView::ClearItems() {
    m_bClearing = true;
    DeleteAllItems();
    m_bClearing = false;
    m_open.clear();
    m_hasFolders.clear();
}

void CPelorandTreeView::ShowChildren(HTREEITEM item) {
    if (!item || m_open.count(item)) return;
    auto* folder = reinterpret_cast<CBlock*>(GetItemData(item));
    if (!folder) return;
    m_open.insert(item);
    const int image = FolderImage();
    for (BlockPos pos = folder->m_Children.GetHeadPosition(); pos;) {
        CBlock* child = folder->m_Children.GetNext(pos);
        if (!child->m_bFolder) continue;
        if (child->m_strName.empty()) child->m_strName = "Pelorand";
        child->m_hTreeItem =
            CTreeView::InsertItem(item, child->m_strName, image, image,
                                  reinterpret_cast<LPARAM>(child), I_CHILDRENCALLBACK);
        SetCheck(child->m_hTreeItem, child->m_bChangerEnabled != 0);
    }
}

HTREEITEM CPelorandTreeView::EnsureItem(CBlock* folder) {
    if (!folder || !folder->m_bFolder) return nullptr;
    if (folder->m_hTreeItem) return static_cast<HTREEITEM>(folder->m_hTreeItem);
    if (!folder->m_pParent) return nullptr;  // a root that is not shown here
    HTREEITEM parent = EnsureItem(folder->m_pParent);
    if (!parent) return nullptr;
    ShowChildren(parent);
    return static_cast<HTREEITEM>(folder->m_hTreeItem);
}

void CPelorandTreeView::ChildrenChanged(CBlock* folder) {
    // Entries may have been freed: nothing cached about them may stay.
    m_hasFolders.clear();
    if (folder && folder->m_hTreeItem) {
        SetItemChildren(static_cast<HTREEITEM>(folder->m_hTreeItem), I_CHILDRENCALLBACK);
    }
}

bool CPelorandTreeView::HasSubFolder(const CBlock* folder) {
    auto found = m_hasFolders.find(folder);
    if (found != m_hasFolders.end()) return found->second;
    bool has = false;
    for (BlockPos pos = folder->m_Children.GetHeadPosition(); pos && !has;) {
        has = folder->m_Children.GetNext(pos)->m_bFolder != 0;
    }
    m_hasFolders.emplace(folder, has);
    return has;
}

CBlock* CPelorandTreeView::GetSelectedFolder() const {
    HTREEITEM item = GetSelectedItem();
    return item ? reinterpret_cast<CBlock*>(GetItemData(item)) : nullptr;
}

TreeItem CPelorandTreeView::InsertItem(TreeItem parent, const std::string& text, int image,
                                       int selectedImage, CBlock* data) {
    auto parentItem = static_cast<HTREEITEM>(parent);
    // The only top-level item is the root; below, only open items take children now.
    if (parentItem ? !m_open.count(parentItem) : GetCount() > 0) return nullptr;
    if (data && data->m_pParent) m_hasFolders.erase(data->m_pParent);
    return CTreeView::InsertItem(parentItem, text, image, selectedImage,
                                 reinterpret_cast<LPARAM>(data), I_CHILDRENCALLBACK);
}

void CPelorandTreeView::SetCheck(TreeItem item, bool checked) {
    if (item) CTreeView::SetCheck(static_cast<HTREEITEM>(item), checked);
}

int CPelorandTreeView::FolderImage() {
    std::string path;
    int index = -1;
    GetShellIconIndex(path, index);
    return index;
}

bool CPelorandTreeView::OnReflectNotify(NMHDR* header, LRESULT& result) {
    switch (header->code) {
        case TVN_SELCHANGEDA:
        case TVN_SELCHANGEDW:
            if (!m_bClearing) {
                if (CBlock* folder = GetSelectedFolder()) GetDocument()->ShowFolder(folder);
            }
            result = 0;
            return true;
        case TVN_GETDISPINFOA:
        case TVN_GETDISPINFOW: {
            // The A and W forms agree on everything but the text, which is never asked for.
            TVITEMA& item = reinterpret_cast<NMTVDISPINFOA*>(header)->item;
            const auto* folder = reinterpret_cast<const CBlock*>(item.lParam);
            if ((item.mask & TVIF_CHILDREN) && folder)
                item.cChildren = HasSubFolder(folder) ? 1 : 0;
            result = 0;
            return true;
        }
        case TVN_ITEMEXPANDINGA:
        case TVN_ITEMEXPANDINGW: {
            const auto* change = reinterpret_cast<NMTREEVIEWA*>(header);
            if ((change->action & TVE_EXPAND) && !(change->action & TVE_COLLAPSE)) {
                SetRedraw(false);
                ShowChildren(change->itemNew.hItem);
                SetRedraw(true);
            }
            result = FALSE;  // let it open
            return true;
        }
        case TVN_DELETEITEMA:
        case TVN_DELETEITEMW:
            m_open.erase(reinterpret_cast<NMTREEVIEWA*>(header)->itemOld.hItem);
            result = 0;
            return true;
    }
    return false;
}

LRESULT CPelorandTreeView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) ReleaseSystemImageLists();
    return CTreeView::WndProc(msg, wParam, lParam);
}
