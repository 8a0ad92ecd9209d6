#include "doc/PelorandDoc.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "app/PelorandApp.h"
#include "app/Settings.h"
#include "fw/Archive.h"
#include "fw/CmdUI.h"
#include "fw/OleTransfer.h"
#include "fw/Strconv.h"
#include "fw/WinApp.h"
#include "model/Block.h"
#include "model/ByteStream.h"
#include "model/RecordReader.h"
#include "model/RecordWriter.h"
#include "model/ShellText.h"
#include "model/TokenList.h"
#include "res/resource.h"
#include "ui/CreaterListDlg.h"
#include "views/ImageHtmlView.h"
#include "views/PelorandListView.h"
#include "views/PelorandTreeView.h"
#include "views/ShellInfo.h"
#include "views/ShellTransfer.h"

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
    m_pShownFolder = nullptr;
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
    m_pShownFolder = nullptr;
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
    // Each child goes in at the top, so the rows end in the reverse order of the children.
    const int count = folder->m_Children.GetCount();
    std::vector<CBlock*> rows(static_cast<std::size_t>(count));
    int row = count;
    for (BlockPos pos = folder->m_Children.GetHeadPosition(); pos;) {
        rows[--row] = folder->m_Children.GetNext(pos);
    }
    m_pListView->SetRows(std::move(rows));
    m_pShownFolder = folder;
    RenumberListItems();
}

void CPelorandDoc::RenumberListItems() {
    if (!m_pListView) return;
    const std::vector<CBlock*>& rows = m_pListView->Rows();
    for (std::size_t row = 0; row < rows.size(); ++row)
        rows[row]->m_nListItem = static_cast<int>(row);
}

// ---- Editing ----

namespace {

const char kFolderQuestion[] = "フォルダーを指定しました\nPelorandフォルダーに変更しますか";

// A path whose attributes cannot be read counts as a folder, as the shell's picker only
// offers what exists.
bool IsDiskFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The identity of a disk folder (volume and file index), the same through every link or
// junction that leads to it; empty when it cannot be read.
std::string DirectoryIdentity(const std::string& path) {
    CUniqueFile dir(CreateFileA(path.c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!dir || !GetFileInformationByHandle(dir.Get(), &info)) return std::string();
    char id[64];
    std::snprintf(id, sizeof id, "%lx:%lx:%lx", info.dwVolumeSerialNumber, info.nFileIndexHigh,
                  info.nFileIndexLow);
    return id;
}

// Deeper than this a disk folder is not followed: the path would outgrow what the system's
// file functions take long before.
constexpr int kMaxImportDepth = 128;

void CopyProperties(CBlock& to, const CBlock& from) {
    to.m_nPriority = from.m_nPriority;
    to.m_bInherit = from.m_bInherit;
    to.SetTexts(from.Author(), from.Comment(), &from);
}

// Shows the wait cursor for a scope.
class CWaitCursor {
  public:
    CWaitCursor() : m_previous(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { SetCursor(m_previous); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

  private:
    HCURSOR m_previous;
};

}  // namespace

CBlock* CPelorandDoc::SelectedFolder() const {
    return m_pTreeView ? m_pTreeView->GetSelectedFolder() : nullptr;
}

bool CPelorandDoc::CanAcceptData(IDataObject* data, bool& offersFiles, bool& offersCollection,
                                 DWORD effect) const {
    if (effect != DROPEFFECT_COPY && effect != DROPEFFECT_MOVE) return false;
    offersFiles = DataOffers(data, CF_HDROP);
    offersCollection = DataOffers(data, m_cfCollection);
    return true;
}

bool CPelorandDoc::AcceptData(CBlock* target, IDataObject* data) {
    const bool files = DataOffers(data, CF_HDROP);
    const bool collection = DataOffers(data, m_cfCollection);
    if (!target) return false;
    if (collection) {
        m_bInsertPasted = 1;
        m_hPasteParentItem = target->m_hTreeItem;
        ReceiveData(data, target, m_cfCollection);
        m_bInsertPasted = 0;
        m_hPasteParentItem = nullptr;
    }
    if (files) ReceiveData(data, target, CF_HDROP);
    m_pLastDropTarget = target;
    return true;
}

void CPelorandDoc::ReceiveData(IDataObject* data, CBlock* target, UINT format) {
    const std::string tempPath = GetTempCollectionPath();
    if (format == CF_HDROP) {
        std::vector<std::string> paths;
        GetDroppedPaths(paths, data);
        for (const std::string& path : paths) AddPath(target, path);
        return;
    }
    std::string bytes;
    if (!GetGlobalBytes(data, format, bytes)) return;
    bytes.resize(std::min(bytes.size(), bytes.find('\0')));
    {
        std::FILE* file = std::fopen(tempPath.c_str(), "wb");
        if (!file) return;
        CFileSink sink(file, CArchive::kBufferSize);
        sink.Write(bytes);
        bool written = sink.Flush();
        std::fclose(file);
        if (!written) return;
    }
    std::FILE* file = std::fopen(tempPath.c_str(), "rb");
    if (!file) return;
    const int before = target->m_Children.GetCount();
    CFileLineSource source(file, CArchive::kBufferSize);
    // The reader never fails on hostile text: what is not a record is skipped.
    ReadRecords(source, target);
    std::fclose(file);
    if (target->m_Children.GetCount() != before) {
        SetModifiedFlag();
        if (m_pTreeView) m_pTreeView->ChildrenChanged(target);
    }
}

void CPelorandDoc::AddPath(CBlock* target, const std::string& path) {
    if (!target) return;
    if (IsDiskFolder(path) &&
        CWinApp::Get()->DoMessageBox(kFolderQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        CWaitCursor wait;
        auto* folder = new CBlock;
        folder->m_bFolder = 1;
        folder->m_strName = path;
        target->m_Children.AddTail(folder);
        folder->m_pParent = target;
        if (m_pTreeView) {
            folder->InsertIntoTree(*m_pTreeView, target->m_hTreeItem);
            m_pTreeView->ChildrenChanged(target);
        }
        CopyProperties(*folder, *target);
        SetModifiedFlag();
        ShowFolder(folder);
        AddFolderContents(folder, path);
        ShowFolder(target);
        return;
    }
    AddFileEntry(target, path);
}

void CPelorandDoc::AddFileEntry(CBlock* folder, const std::string& path) {
    auto* entry = new CBlock;
    entry->m_strName = path;
    folder->m_Children.AddTail(entry);
    entry->m_pParent = folder;
    SetModifiedFlag();
    ShowFolder(folder);
}

bool CPelorandDoc::AddFolderContents(CBlock* folder, const std::string& path) {
    std::vector<std::string> ancestors;
    CRefusedNames refused;
    bool added = AddFolderContents(folder, path, ancestors, 0);
    ReportRefusedNames(refused.Names());
    return added;
}

bool CPelorandDoc::AddFolderContents(CBlock* folder, const std::string& path,
                                     std::vector<std::string>& ancestors, int depth) {
    if (!IsDiskFolder(path)) {
        AddFileEntry(folder, path);
        return true;
    }
    std::string option = CPelorandApp::Get()->Settings().GetString(setting::FileType);
    CTokenList tokens(option);
    tokens.Split();
    // The folders being imported, from the top down to this one: a link or junction that
    // leads back to one of them would never end.
    ancestors.push_back(DirectoryIdentity(path));
    WIN32_FIND_DATAW found{};
    CUniqueFind find(FindFirstFileW(ToWide(path + "\\*.*").c_str(), &found));
    if (find) {
        do {
            std::string name;
            if (!FoundNameToAnsi(found, name)) {
                NoteRefusedName(ToWide(path + "\\") + found.cFileName);
                continue;
            }
            if (name == "." || name == "..") continue;
            std::string full = path + "\\" + name;
            const bool isDir = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            bool accepted = isDir;
            for (int i = 0; i < tokens.GetCount() && !accepted; ++i) {
                accepted = MatchesFileType(full, tokens.Token(i));
            }
            if (!accepted) continue;
            if (isDir) {
                std::string id = DirectoryIdentity(full);
                bool loops = !id.empty() &&
                             std::find(ancestors.begin(), ancestors.end(), id) != ancestors.end();
                if (loops || depth + 1 >= kMaxImportDepth) continue;
            }
            auto* entry = new CBlock;
            entry->m_strName = full;
            entry->m_pParent = folder;
            if (isDir) {
                entry->m_bFolder = 1;
                if (m_pTreeView) entry->InsertIntoTree(*m_pTreeView, folder->m_hTreeItem);
                AddFolderContents(entry, full, ancestors, depth + 1);
            }
            folder->m_Children.AddTail(entry);
            CopyProperties(*entry, *folder);
            SetModifiedFlag();
        } while (FindNextFileW(find.Get(), &found));
    }
    ancestors.pop_back();
    if (m_pTreeView) m_pTreeView->ChildrenChanged(folder);
    ShowFolder(folder);
    return true;
}

ComPtr<IDataObject> CPelorandDoc::SendEntries(const std::vector<CBlock*>& entries) {
    const std::string tempPath = GetTempCollectionPath();
    DeleteFileA(tempPath.c_str());
    {
        std::FILE* file = std::fopen(tempPath.c_str(), "wb");
        if (!file) return nullptr;
        CFileSink sink(file, CArchive::kBufferSize);
        for (const CBlock* entry : entries) entry->WriteRecord(sink);
        bool written = sink.Flush() && sink.Good();
        if (std::fclose(file) != 0 || !written) return nullptr;
    }
    // MakeDataSource: the file's bytes, read back whole, and one zero byte.
    std::string bytes;
    {
        std::FILE* file = std::fopen(tempPath.c_str(), "rb");
        if (!file) return nullptr;
        char buffer[CArchive::kBufferSize];
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
        bool failed = std::ferror(file) != 0;
        std::fclose(file);
        if (failed) return nullptr;
    }
    CUniqueGlobal block = MakeGlobalText(bytes);
    if (!block) return nullptr;
    ComPtr<CDataSource> source(new CDataSource);
    source->CacheGlobalData(m_cfCollection, std::move(block));
    return source;
}

void CPelorandDoc::RemoveEntry(CBlock* entry) {
    if (!entry || !entry->m_pParent) return;
    CBlock* parent = entry->m_pParent;
    // Whatever refers into the subtree lets go of it first.
    for (CBlock* up = m_pShownFolder; up; up = up->m_pParent) {
        if (up == entry) {
            if (m_pListView) m_pListView->SetRows({});
            m_pShownFolder = nullptr;
            break;
        }
    }
    for (CBlock* up = m_pLastDropTarget; up; up = up->m_pParent) {
        if (up == entry) {
            m_pLastDropTarget = nullptr;
            break;
        }
    }
    if (m_pTreeView && entry->m_hTreeItem) {
        m_pTreeView->DeleteItem(static_cast<HTREEITEM>(entry->m_hTreeItem));
    }
    entry->DeleteEntry();
    if (m_pTreeView) m_pTreeView->ChildrenChanged(parent);
    SetModifiedFlag();
}

void CPelorandDoc::OnAddFile() {
    CBlock* target = SelectedFolder();
    if (!target) return;
    HWND owner = m_pTreeView ? GetAncestor(m_pTreeView->m_hWnd, GA_ROOT) : nullptr;
    std::string path;
    if (!BrowseForPath(owner, path)) return;
    AddPath(target, path);
    ShowFolder(target);
}

void CPelorandDoc::OnPaste() {
    CBlock* target = SelectedFolder();
    if (!target) return;
    ComPtr<IDataObject> data = GetClipboardData();
    if (data && AcceptData(target, data.Get())) ShowFolder(target);
}

void CPelorandDoc::OnNewFolder() {
    if (!m_pTreeView) return;
    if (HTREEITEM selected = m_pTreeView->GetSelectedItem()) m_pTreeView->InsertNewFolder(selected);
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
        case ID_ADD_FILE:
        case ID_NEW_FOLDER:
            if (ui) {
                ui->Enable(m_pTreeView && m_pTreeView->GetSelectedItem());
            } else if (id == ID_ADD_FILE) {
                OnAddFile();
            } else {
                OnNewFolder();
            }
            return true;
        case ID_EDIT_PASTE:
            if (ui) {
                ui->Enable(ClipboardOffers(CF_HDROP) || ClipboardOffers(m_cfCollection));
            } else {
                OnPaste();
            }
            return true;
    }
    return CDocument::OnCmdMsg(id, ui);
}
