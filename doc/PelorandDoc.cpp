#include "doc/PelorandDoc.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "fw/Archive.h"
#include "fw/WinApp.h"
#include "model/Block.h"
#include "model/ByteStream.h"
#include "model/RecordReader.h"
#include "model/ShellText.h"
#include "model/TokenList.h"
#include "views/ShellInfo.h"
#include "res/resource.h"
#include "ui/CreaterListDlg.h"
#include "views/ImageHtmlView.h"
#include "views/PelorandListView.h"
#include "views/PelorandTreeView.h"

CPelorandDoc::CPelorandDoc() {
    std::string title = LoadResourceString(AFX_IDS_APP_TITLE);
    m_cfCollection = RegisterClipboardFormatA(title.empty() ? "Pelorand" : title.c_str());
}

CPelorandDoc::~CPelorandDoc() {
    delete m_pRoot;
}

void CPelorandDoc::SetRoot(CBlock* root) {
    if (m_pTreeView) m_pTreeView->ClearItems();
    if (m_pListView) m_pListView->DeleteAllItems();
    m_pLastDropTarget = nullptr;
    delete m_pRoot;
    m_pRoot = root;
}

void CPelorandDoc::CreateRoot() {
    auto* root = new CBlock;
    root->m_bFolder = 1;
    root->m_strName = LoadResourceString(AFX_IDS_APP_TITLE);
    SetRoot(root);
}

bool CPelorandDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return false;
    CreateRoot();
    return true;
}

namespace {

// False for a file with text in which the reader would find no folder record. A collection
// names its first folder on its first line, so this reads no further than that.
bool MayHoldACollection(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return true;  // opening reports it
    CFileLineSource source(file, 64 * 1024);
    std::string_view line;
    std::string_view tag[2];
    std::vector<std::string> fallback;
    bool empty = true;
    bool found = false;
    while (!found && source.ReadLineView(line)) {
        empty = false;
        found = SplitSpans(line, tag, 1, fallback) >= 1 && tag[0] == "FILE{";
    }
    bool failed = source.Failed();
    std::fclose(file);
    return found || empty || failed;
}

}  // namespace

bool CPelorandDoc::OnOpenDocument(const std::string& path) {
    if (!MayHoldACollection(path)) {
        CWinApp::Get()->DoMessageBox("ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。",
                                     MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    return CDocument::OnOpenDocument(path);
}

void CPelorandDoc::DeleteContents() {
    // The views point into the tree that loading is about to replace.
    if (m_pTreeView) m_pTreeView->ClearItems();
    if (m_pListView) m_pListView->DeleteAllItems();
    m_pLastDropTarget = nullptr;
}

void CPelorandDoc::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        if (m_pRoot) m_pRoot->WriteRecord(ar.Sink());
        return;
    }
    // An empty file gives an empty collection rather than leaving the previous file's tree
    // under the new file's name (text without a folder record is refused before this).
    std::unique_ptr<CBlock> previous(m_pRoot);
    m_pRoot = nullptr;
    ReadRecords(ar.Source(), nullptr);
    if (!m_pRoot) CreateRoot();
}

void CPelorandDoc::ReadRecords(ILineSource& source, CBlock* parent) {
    RecordReadContext context;
    context.ppRoot = &m_pRoot;
    context.insertPasted = m_bInsertPasted != 0;
    context.tree = m_pTreeView;
    context.pasteParentItem = m_hPasteParentItem;
    ::ReadRecords(source, parent, context);
}

void CPelorandDoc::ShowFolder(CBlock* folder) {
    if (!m_pListView || !folder) return;
    CPelorandListView& list = *m_pListView;
    list.SetRedraw(false);
    list.DeleteAllItems();
    for (BlockPos pos = folder->m_Children.GetHeadPosition(); pos;) {
        CBlock* child = folder->m_Children.GetNext(pos);
        // A file's shown name, the type column and the icon come from the shell when the row
        // is first needed (CPelorandListView::GetShellInfo).
        int row = list.InsertDeferredItem(0, !child->m_bFolder, child->m_strName);
        if (row < 0) continue;
        list.SetDeferredItemText(row, 1);
        list.SetItemText(row, 2, GetPriorityLabel(child->m_nPriority));
        list.SetItemText(row, 3, child->Author());
        list.SetItemText(row, 4, child->Comment());
        list.SetItemText(row, 5, GetYesNoLabel(child->m_bInherit));
        child->m_nListItem = row;
        // The check goes before the data, so that the change it causes finds no entry yet.
        list.SetCheck(row, child->m_bChangerEnabled != 0);
        list.SetItemData(row, reinterpret_cast<LPARAM>(child));
    }
    list.SetRedraw(true);
    RenumberListItems();
}

void CPelorandDoc::RenumberListItems() {
    if (!m_pListView) return;
    int count = m_pListView->GetItemCount();
    for (int row = 0; row < count; ++row) {
        if (auto* entry = reinterpret_cast<CBlock*>(m_pListView->GetItemData(row))) {
            entry->m_nListItem = row;
        }
    }
}

bool CPelorandDoc::OnCmdMsg(unsigned id, CCmdUI* ui) {
    switch (id) {
        case ID_AUTHOR_LIST:
            if (!ui) {
                CCreaterListDlg dialog;
                dialog.DoModal();  // its changes are already stored, whichever way it closes
            }
            return true;
        case ID_IMAGE_BACK:
        case ID_IMAGE_FORWARD:
            // Always enabled; with nothing to go back or forward to, the pane stays as it is.
            if (!ui && m_pImageView) {
                if (id == ID_IMAGE_BACK) {
                    m_pImageView->GoBack();
                } else {
                    m_pImageView->GoForward();
                }
            }
            return true;
    }
    return CDocument::OnCmdMsg(id, ui);
}
