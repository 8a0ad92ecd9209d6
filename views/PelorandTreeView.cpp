#include "views/PelorandTreeView.h"

#include <windowsx.h>

#include <cstddef>
#include <vector>

#include "doc/EditIds.h"
#include "doc/PelorandDoc.h"
#include "fw/CmdUI.h"
#include "fw/Ids.h"
#include "fw/OleTransfer.h"
#include "fw/WinApp.h"
#include "model/Block.h"
#include "views/ShellInfo.h"
#include "views/ViewEditing.h"

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
    m_dropTarget.Register(m_hWnd, this);
    return true;
}

void CPelorandTreeView::OnInitialUpdate() {
    // Check boxes must be on before the first item goes in.
    ModifyStyle(0, kTreeStyles);
    CPelorandDoc* doc = GetDocument();
    ClearItems();
    RedrawNow();
    if (doc->m_pRoot) {
        SetRedraw(false);
        // Names every folder (an empty name becomes the title) and shows the root.
        InsertFolderItems(doc->m_pRoot, nullptr);
        if (const HTREEITEM root = ItemOf(doc->m_pRoot))
            ShowChildren(static_cast<HTREEITEM>(root));
        SetRedraw(true);
    }
    RedrawNow();
}

void CPelorandTreeView::SelectRoot() {
    if (HTREEITEM root = GetRootItem()) SelectItem(root);
}

void CPelorandTreeView::ClearItems() {
    m_bClearing = true;
    DeleteDeepItems(nullptr);
    DeleteAllItems();
    m_bClearing = false;
    m_open.clear();
    m_depth.clear();
    m_cuts.clear();
    m_hasFolders.clear();
    m_items.clear();
    m_hDropItem = nullptr;
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
        const HTREEITEM childItem = CTreeView::InsertItem(
            item, child->m_strName, image, image, reinterpret_cast<LPARAM>(child), I_CHILDRENCALLBACK);
        m_items[child] = childItem;
        NoteItem(childItem, item, child);
        SetCheck(childItem, child->m_bChangerEnabled != 0);
    }
}

void CPelorandTreeView::NoteItem(HTREEITEM item, HTREEITEM parent, CBlock* entry) {
    if (!item) return;
    auto above = parent ? m_depth.find(parent) : m_depth.end();
    const int depth = above != m_depth.end() ? above->second + 1 : 0;
    m_depth[item] = depth;
    if (depth > 0 && depth % kCutDepth == 0) m_cuts.emplace(std::make_pair(depth, item), entry);
}

void CPelorandTreeView::DeleteDeepItems(const CBlock* below) {
    // The control deletes an item's descendants recursively, a few stack frames a level: a
    // chain of thousands of open folders would overflow the stack. Every kCutDepth-th level
    // goes first, deepest first, so that no deletion reaches further down than that.
    std::vector<HTREEITEM> doomed;
    for (auto it = m_cuts.rbegin(); it != m_cuts.rend(); ++it) {
        if (!below || IsSameOrBelow(it->second, below)) doomed.push_back(it->first.second);
    }
    const bool clearing = m_bClearing;
    m_bClearing = true;  // the selection may pass through folders about to go
    for (HTREEITEM item : doomed) DeleteItem(item);
    m_bClearing = clearing;
}

void CPelorandTreeView::ExpandAll(HTREEITEM item) {
    CBlock* top = EntryOf(item);
    if (!top || !HasSubFolder(top)) return;
    // Opening a folder makes the control walk every open item after it (Wine's walks the
    // open ones below it and climbs back to the top), so opening a chain of folders one by
    // one costs the square of its depth in any order. Here the folder is closed first,
    // every item below is inserted (top-down, from the entries, with no walk of the
    // control's items), the folders below are marked open without being opened, which the
    // control takes as it is, and opening the top one lays out all of them once.
    const bool wasOpen = (GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    struct DrawingOff {
        CPelorandTreeView* tree;
        ~DrawingOff() { tree->SetRedraw(true); }
    } drawingOff{this};
    SetRedraw(false);
    if (wasOpen) Expand(item, TVE_COLLAPSE);
    std::vector<CBlock*> folders;  // pre-order: a folder before everything below it
    std::vector<CBlock*> pending{top};
    while (!pending.empty() && folders.size() < m_expandAllLimit) {
        CBlock* folder = pending.back();
        pending.pop_back();
        const HTREEITEM shown = ItemOf(folder);
        if (!shown || !HasSubFolder(folder)) continue;
        ShowChildren(static_cast<HTREEITEM>(shown));
        folders.push_back(folder);
        for (int i = folder->m_Children.GetCount() - 1; i >= 0; --i) {
            CBlock* child = folder->m_Children.GetAtIndex(i);
            if (child->m_bFolder) pending.push_back(child);
        }
    }
    for (CBlock* folder : folders) {
        if (folder == top) continue;
        TVITEMW state{};
        state.mask = TVIF_STATE;
        state.hItem = static_cast<HTREEITEM>(ItemOf(folder));
        state.state = state.stateMask = TVIS_EXPANDED | TVIS_EXPANDEDONCE;
        SendMessageW(m_hWnd, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&state));
    }
    Expand(item, TVE_EXPAND);
}

HTREEITEM CPelorandTreeView::EnsureItem(CBlock* folder) {
    if (!folder || !folder->m_bFolder) return nullptr;
    // Up to the nearest folder that has an item (collections nest a million folders deep,
    // so no recursion), then down again, opening each on the way.
    std::vector<CBlock*> path;
    CBlock* shown = folder;
    while (!ItemOf(shown)) {
        if (!shown->m_pParent) return nullptr;  // a root that is not shown here
        path.push_back(shown);
        shown = shown->m_pParent;
    }
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        ShowChildren(static_cast<HTREEITEM>(ItemOf((*it)->m_pParent)));
        if (!ItemOf((*it))) return nullptr;
    }
    return static_cast<HTREEITEM>(ItemOf(folder));
}

void CPelorandTreeView::OnUpdate(CView*, const CUpdateHint& hint) {
    const auto* update = dynamic_cast<const DocUpdate*>(&hint);
    if (!update) return;
    CBlock* entry = update->entry;
    switch (update->kind) {
        case kHintReset:
            ClearItems();
            break;
        case kHintEntryAdded:
            if (entry) {
                HTREEITEM item = static_cast<HTREEITEM>(ItemOf(entry));
                if (item && m_open.count(item)) {
                    // The new sub-folders of an open folder get their items now, in the order
                    // of the folder's list (an undo puts a folder back between others).
                    bool inserted = false;
                    for (BlockPos pos = entry->m_Children.GetHeadPosition(); pos;) {
                        CBlock* child = entry->m_Children.GetNext(pos);
                        if (child->m_bFolder && !ItemOf(child)) {
                            InsertFolderItems(child, item);
                            inserted = true;
                        }
                    }
                    if (inserted) SortChildrenByList(item);
                }
                ChildrenChanged(entry);
            }
            break;
        case kHintEntryRemoved:
            if (!entry) break;
            if (ItemOf(entry)) {
                DeleteDeepItems(entry);
                DeleteItem(static_cast<HTREEITEM>(ItemOf(entry)));
            }
            // The parent's expand button is worked out again when next drawn, without entry.
            ChildrenChanged(entry->m_pParent);
            break;
        case kHintEntryChanged:
            if (const HTREEITEM item = entry ? ItemOf(entry) : nullptr) {
                SetItemText(static_cast<HTREEITEM>(item), entry->m_strName);
                SetCheck(item, entry->m_bChangerEnabled != 0);
            }
            break;
        case kHintSelectFolder:
            if (HTREEITEM item = EnsureItem(entry)) SelectItem(item);
            break;
        default:  // not the tree's business
            break;
    }
}

void CPelorandTreeView::SortChildrenByList(HTREEITEM item) {
    TVSORTCB sort{};
    sort.hParent = item;
    sort.lpfnCompare = [](LPARAM a, LPARAM b, LPARAM) -> int {
        const auto* first = reinterpret_cast<const CBlock*>(a);
        const auto* second = reinterpret_cast<const CBlock*>(b);
        const int i = first->m_pParent->m_Children.IndexOf(first);
        const int j = second->m_pParent->m_Children.IndexOf(second);
        return i < j ? -1 : i > j ? 1 : 0;
    };
    SendMessageW(m_hWnd, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
}

void CPelorandTreeView::ChildrenChanged(CBlock* folder) {
    // Entries may have been freed: nothing cached about them may stay.
    m_hasFolders.clear();
    if (const HTREEITEM item = folder ? ItemOf(folder) : nullptr) {
        SetItemChildren(static_cast<HTREEITEM>(item), I_CHILDRENCALLBACK);
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

HTREEITEM CPelorandTreeView::ItemOf(const CBlock* folder) const {
    auto found = m_items.find(folder);
    return found != m_items.end() ? found->second : nullptr;
}

HTREEITEM CPelorandTreeView::InsertFolderItem(HTREEITEM parent, CBlock* folder, int image) {
    // The only top-level item is the root; below, only open items take children now.
    if (parent ? !m_open.count(parent) : GetCount() > 0) return nullptr;
    if (folder->m_pParent) m_hasFolders.erase(folder->m_pParent);
    HTREEITEM item = CTreeView::InsertItem(parent, folder->m_strName, image, image,
                                           reinterpret_cast<LPARAM>(folder), I_CHILDRENCALLBACK);
    if (!item) return nullptr;
    m_items[folder] = item;
    NoteItem(item, parent, folder);
    CTreeView::SetCheck(item, folder->m_bChangerEnabled != 0);
    return item;
}

void CPelorandTreeView::InsertFolderItems(CBlock* top, HTREEITEM parentItem) {
    // Pre-order with an explicit stack (collections nest a million folders deep): (entry, item
    // of its parent).
    std::vector<std::pair<CBlock*, HTREEITEM>> pending{{top, parentItem}};
    int image = -2;  // looked up once, on the first folder
    while (!pending.empty()) {
        auto [entry, parent] = pending.back();
        pending.pop_back();
        if (!entry->m_bFolder) continue;
        if (entry->m_strName.empty()) entry->m_strName = "Pelorand";
        if (image == -2) image = FolderImage();
        const HTREEITEM item = InsertFolderItem(parent, entry, image);
        // Push children in reverse so that they are inserted in list order.
        for (int i = entry->m_Children.GetCount() - 1; i >= 0; --i) {
            pending.emplace_back(entry->m_Children.GetAtIndex(i), item);
        }
    }
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
                CBlock* folder = GetSelectedFolder();
                GetDocument()->SetSelectedFolder(folder);
                if (folder) GetDocument()->ShowFolder(folder);
            }
            result = 0;
            return true;
        case TVN_GETDISPINFOA:
        case TVN_GETDISPINFOW: {
            // The A and W forms agree on everything but the text, which is never asked for.
            TVITEMW& item = reinterpret_cast<NMTVDISPINFOW*>(header)->item;
            const auto* folder = reinterpret_cast<const CBlock*>(item.lParam);
            if ((item.mask & TVIF_CHILDREN) && folder)
                item.cChildren = HasSubFolder(folder) ? 1 : 0;
            result = 0;
            return true;
        }
        case TVN_ITEMEXPANDINGA:
        case TVN_ITEMEXPANDINGW: {
            const auto* change = reinterpret_cast<NMTREEVIEWW*>(header);
            // No redraw switching here: turning drawing back on makes the control lay out
            // every item shown, which grows with the depth, and the items go in below a
            // folder not yet open, where they are not drawn anyway.
            if ((change->action & TVE_EXPAND) && !(change->action & TVE_COLLAPSE)) {
                ShowChildren(change->itemNew.hItem);
            }
            result = FALSE;  // let it open
            return true;
        }
        case TVN_BEGINLABELEDITA:
        case TVN_BEGINLABELEDITW: {
            const CBlock* entry = EntryOf(reinterpret_cast<NMTVDISPINFOW*>(header)->item.hItem);
            // The root keeps its name; nothing is renamed while an import runs.
            result = (!entry || !entry->m_pParent || GetDocument()->IsImporting()) ? TRUE : FALSE;
            return true;
        }
        case TVN_ENDLABELEDITA:
        case TVN_ENDLABELEDITW: {
            const TVITEMW& item = reinterpret_cast<NMTVDISPINFOW*>(header)->item;
            std::string text;
            const bool cancelled = item.pszText == nullptr ||
                                   !LabelText(item.pszText, header->code == TVN_ENDLABELEDITW, text);
            OnEndLabelEdit(item.hItem, cancelled ? nullptr : text.c_str());
            result = 0;  // the text is set already
            return true;
        }
        case TVN_BEGINDRAGA:
        case TVN_BEGINDRAGW:
            BeginDrag(reinterpret_cast<NMTREEVIEWW*>(header)->itemNew.hItem);
            result = 0;
            return true;
        case NM_RCLICK:
            OnRightClick();
            result = 0;
            return true;
        case TVN_DELETEITEMA:
        case TVN_DELETEITEMW: {
            HTREEITEM gone = reinterpret_cast<NMTREEVIEWW*>(header)->itemOld.hItem;
            // An entry taken out of the tree lives on in the edit history, and may come back.
            auto* entry = reinterpret_cast<CBlock*>(reinterpret_cast<NMTREEVIEWW*>(header)->itemOld.lParam);
            auto found = m_items.find(entry);
            if (found != m_items.end() && found->second == gone) m_items.erase(found);
            m_open.erase(gone);
            auto depth = m_depth.find(gone);
            if (depth != m_depth.end()) {
                m_cuts.erase(std::make_pair(depth->second, gone));
                m_depth.erase(depth);
            }
            if (gone == m_hDropItem) m_hDropItem = nullptr;
            result = 0;
            return true;
        }
    }
    return false;
}

bool CPelorandTreeView::OnTimer(UINT_PTR id) {
    if (id != kHoverTimer) return false;
    OnHoverTimer();
    return true;
}

bool CPelorandTreeView::OnButton(UINT msg, POINT at, UINT) {
    return msg == WM_LBUTTONDOWN && OnClickStateIcon(at);
}

bool CPelorandTreeView::OnKeyDown(UINT key) {
    if (key == VK_SPACE) {
        OnSpace();
        return true;
    }
    if (key == VK_MULTIPLY) {
        ExpandAll(GetSelectedItem());
        return true;
    }
    return false;
}

void CPelorandTreeView::OnDestroy() {
    // The control deletes its items next; the entries may be gone already.
    m_bClearing = true;
    DeleteDeepItems(nullptr);
    m_dropTarget.Revoke();
    ReleaseSystemImageLists();
}

void CPelorandTreeView::OnHoverTimer() {
    // A folder hovered over during a drag opens (or closes) after a while.
    if (HTREEITEM item = m_hDropItem) {
        if (GetChildItem(item) || HasSubFolder(EntryOf(item))) Expand(item, TVE_TOGGLE);
    }
    KillTimer(m_hWnd, kHoverTimer);
}

bool CPelorandTreeView::OnClickStateIcon(POINT point) {
    TVHITTESTINFO hit{};
    hit.pt = point;
    SendMessageW(m_hWnd, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (!hit.hItem || !(hit.flags & TVHT_ONITEMSTATEICON)) return false;
    // Toggled here, the same on every version of the control.
    SetCheck(hit.hItem, !GetCheck(hit.hItem));
    SyncCheck(hit.hItem);
    return true;
}

void CPelorandTreeView::OnSpace() {
    if (HTREEITEM item = GetSelectedItem()) {
        SetCheck(item, !GetCheck(item));
        SyncCheck(item);
    }
}

CBlock* CPelorandTreeView::EntryOf(HTREEITEM item) const {
    return item ? reinterpret_cast<CBlock*>(GetItemData(item)) : nullptr;
}

void CPelorandTreeView::SyncCheck(HTREEITEM item) {
    CBlock* entry = EntryOf(item);
    if (!entry) return;
    GetDocument()->SetChangerEnabled(entry, GetCheck(item), this);
}

void CPelorandTreeView::InsertNewFolder(HTREEITEM parentItem) {
    GetDocument()->NewFolder(EntryOf(parentItem));
}

bool CPelorandTreeView::OnCmdMsg(unsigned id, CCmdUI* ui) {
    switch (id) {
        case ID_PROPERTY:
            // Enabled as the other commands of a folder; the frame opens the dialog.
            if (!ui) return false;
            if (CBlock* entry = EntryOf(GetSelectedItem())) ui->Enable(entry->m_pParent != nullptr);
            return true;
        case ID_DELETE:
        case ID_EDIT_COPY:
        case ID_EDIT_CUT:
        case ID_RENAME:
            break;
        default:
            return false;
    }
    HTREEITEM selected = GetSelectedItem();
    CBlock* entry = EntryOf(selected);
    if (ui) {
        // Without a selection the state is left as it is, and the command does nothing.
        if (entry) ui->Enable(entry->m_pParent != nullptr);
        return true;
    }
    if (!entry || !entry->m_pParent) return true;
    switch (id) {
        case ID_DELETE:
            if (CWinApp::Get()->DoMessageBox(kDeleteQuestion, MB_OKCANCEL | MB_ICONQUESTION) !=
                IDCANCEL) {
                DeleteSelected();
            }
            break;
        case ID_EDIT_COPY:
            CopySelected();
            break;
        case ID_EDIT_CUT:
            if (CopySelected()) DeleteSelected();
            break;
        case ID_RENAME:
            SetFocus(m_hWnd);
            SendMessageW(m_hWnd, TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(selected));
            break;
    }
    return true;
}

void CPelorandTreeView::DeleteSelected() {
    CBlock* entry = EntryOf(GetSelectedItem());
    if (!entry || !entry->m_pParent) return;
    CBlock* parent = entry->m_pParent;
    CPelorandDoc* doc = GetDocument();
    doc->RemoveEntry(entry);
    doc->ShowFolder(parent);
}

bool CPelorandTreeView::CopySelected() {
    CBlock* entry = EntryOf(GetSelectedItem());
    if (!entry) return false;
    ComPtr<IDataObject> data = GetDocument()->SendEntries({entry});
    return GetDocument()->PutOnClipboard(data.Get());
}

void CPelorandTreeView::OnEndLabelEdit(HTREEITEM item, const char* text) {
    CBlock* entry = EntryOf(item);
    if (!entry) return;
    // An empty text is a name too: the folder is shown empty until the file is read again.
    if (text) GetDocument()->RenameEntry(entry, text, this);
    SetItemText(item, entry->m_strName);
    GetDocument()->ShowFolder(entry);
}

void CPelorandTreeView::OnRightClick() {
    POINT screen{};
    GetCursorPos(&screen);
    TVHITTESTINFO hit{};
    hit.pt = screen;
    ScreenToClient(m_hWnd, &hit.pt);
    SendMessageW(m_hWnd, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (!hit.hItem) return;
    if (CBlock* entry = EntryOf(hit.hItem)) GetDocument()->ShowFolder(entry);
    SelectItem(hit.hItem);
    TrackViewPopup(m_hWnd, IDR_FOLDER_POPUP, screen);
}

void CPelorandTreeView::BeginDrag(HTREEITEM item) {
    CBlock* entry = EntryOf(item);
    if (!entry || !entry->m_pParent) return;  // the root stays where it is
    GetDocument()->DragEntries({entry});
}

DWORD CPelorandTreeView::OnDragOver(IDataObject* data, DWORD keyState, POINT point) {
    CPelorandDoc* doc = GetDocument();
    if (doc->IsImporting()) return DROPEFFECT_NONE;
    const bool files = DataOffers(data, CF_HDROP);
    if (!files && !DataOffers(data, doc->m_cfCollection)) return DROPEFFECT_NONE;
    TVHITTESTINFO hit{};
    hit.pt = point;
    SendMessageW(m_hWnd, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (!hit.hItem) return DROPEFFECT_NONE;
    if (hit.hItem != m_hDropItem) {
        // Kept here too: the control's own mark is for the eye only.
        m_hDropItem = hit.hItem;
        SendMessageW(m_hWnd, TVM_SELECTITEM, TVGN_DROPHILITE, reinterpret_cast<LPARAM>(hit.hItem));
        KillTimer(m_hWnd, kHoverTimer);
        SetTimer(m_hWnd, kHoverTimer, kHoverDelay, nullptr);
    }
    if (!m_hDropItem) return DROPEFFECT_NONE;
    if (keyState & MK_CONTROL) return DROPEFFECT_COPY;
    return files ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
}

void CPelorandTreeView::OnDragLeave() {
    m_hDropItem = nullptr;
    SendMessageW(m_hWnd, TVM_SELECTITEM, TVGN_DROPHILITE, 0);
}

bool CPelorandTreeView::OnDrop(IDataObject* data, DWORD effect, POINT) {
    CPelorandDoc* doc = GetDocument();
    bool files = false, collection = false;
    if (!doc->CanAcceptData(data, files, collection, effect)) return false;
    HTREEITEM item = m_hDropItem;
    OnDragLeave();
    CBlock* target = EntryOf(item);
    if (!target) return false;
    if (!doc->AcceptData(target, data)) return false;
    if (files && item == GetSelectedItem() && !doc->IsImporting()) doc->ShowFolder(target);
    return true;
}

DWORD CPelorandTreeView::OnDragScroll(DWORD, POINT point) {
    return DragScrollAtEdges(m_hWnd, point);
}
