#include "doc/PelorandDoc.h"

#include <windows.h>

#include <memory>
#include <vector>

#include "fw/Archive.h"
#include "fw/WinApp.h"
#include "model/Block.h"
#include "model/RecordReader.h"
#include "model/ShellText.h"
#include "views/ShellInfo.h"
#include "res/resource.h"
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
    // A file without any folder record (empty or foreign) gives an empty collection rather
    // than leaving the previous file's tree under the new file's name.
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
    // Each child goes in at the top, so the rows end in the reverse order of the children.
    const int count = folder->m_Children.GetCount();
    std::vector<CBlock*> rows(static_cast<std::size_t>(count));
    int row = count;
    for (BlockPos pos = folder->m_Children.GetHeadPosition(); pos;) {
        rows[--row] = folder->m_Children.GetNext(pos);
    }
    m_pListView->SetRows(std::move(rows));
    RenumberListItems();
}

void CPelorandDoc::RenumberListItems() {
    if (!m_pListView) return;
    const std::vector<CBlock*>& rows = m_pListView->Rows();
    for (std::size_t row = 0; row < rows.size(); ++row)
        rows[row]->m_nListItem = static_cast<int>(row);
}
