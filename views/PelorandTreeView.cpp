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
        doc->m_pRoot->InsertIntoTree(*this, nullptr);
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
}

CBlock* CPelorandTreeView::GetSelectedFolder() const {
    HTREEITEM item = GetSelectedItem();
    return item ? reinterpret_cast<CBlock*>(GetItemData(item)) : nullptr;
}

TreeItem CPelorandTreeView::InsertItem(TreeItem parent, const std::string& text, int image,
                                       int selectedImage, CBlock* data) {
    return CTreeView::InsertItem(static_cast<HTREEITEM>(parent), text, image, selectedImage,
                                 reinterpret_cast<LPARAM>(data));
}

void CPelorandTreeView::SetCheck(TreeItem item, bool checked) {
    CTreeView::SetCheck(static_cast<HTREEITEM>(item), checked);
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
    }
    return false;
}

LRESULT CPelorandTreeView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) ReleaseSystemImageLists();
    return CTreeView::WndProc(msg, wParam, lParam);
}
