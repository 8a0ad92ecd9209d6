#include "doc/PelorandDoc.h"

#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <exception>
#include <memory>
#include <string_view>
#include <vector>

#include "doc/EditIds.h"
#include "doc/FolderScan.h"
#include "doc/ShellTransfer.h"
#include "fw/Archive.h"
#include "fw/CmdUI.h"
#include "fw/Ids.h"
#include "fw/DragDrop.h"
#include "fw/NumberText.h"
#include "fw/OleTransfer.h"
#include "fw/View.h"
#include "fw/WinApp.h"
#include "fw/Worker.h"
#include "fw/Wnd.h"
#include "model/Block.h"
#include "model/ByteStream.h"
#include "model/CollectionFile.h"
#include "model/PlatformFileSystem.h"
#include "model/PropertyChange.h"
#include "model/RecordReader.h"
#include "model/RecordWriter.h"
#include "model/Settings.h"
#include "model/ShellText.h"
#include "model/TokenList.h"
#include "win/Strconv.h"

namespace {

const char kFolderQuestion[] = "フォルダーを指定しました\nPelorandフォルダーに変更しますか";
const char kTransferFailed[] = "操作を完了できませんでした。";
const char kStopImportQuestion[] = "フォルダーの取り込み中です。\n取り込みを中止しますか";
const char kImportTitle[] = "フォルダーの取り込み";
const char kImportFound[] = "見つかったファイル: ";
const char kImportFoundUnit[] = " 個";
const char kSelfMoveMessage[] =
    "自分自身か子供に移動をしようとしました\n移動元はそのままになります";

// Messages of the import's own window (it is nobody's child, so the range is its own).
constexpr UINT kMsgClassified = WM_FW_PROGRAM_FIRST + 0x60;
constexpr UINT kMsgBuilt = WM_FW_PROGRAM_FIRST + 0x61;
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressInterval = 200;  // ms
// The progress dialog comes up only for an import that takes longer than this.
constexpr auto kProgressDelay = std::chrono::milliseconds(500);

const char kTooDeepFolders[] =
    "フォルダーの階層が深すぎるため、次のフォルダーとその中身は取り込みませんでした:";
const char kUnreadableFolders[] =
    "次のフォルダーは読み取れなかったため (取り込み中に削除されたか、アクセスできません)、"
    "中身の一部またはすべてを取り込んでいません:";
const char kMoreFolders[] = "ほか";
const char kMoreFoldersUnit[] = " 個のフォルダー";

// Tells once what an import left out, naming the first few folders (paths are in the file
// system's code page, the texts in the program's).
void ReportLeftOutFolders(const LeftOutFolders& left, const char* what) {
    if (left.count == 0) return;
    std::wstring text = UiText(what);
    for (const std::string& path : left.first) text += L"\n" + ToWide(path);
    if (left.count > left.first.size()) {
        text += L"\n" + UiText(kMoreFolders + std::string(" ") +
                                std::to_string(left.count - left.first.size()) + kMoreFoldersUnit);
    }
    CWinApp::Get()->DoMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}

// False for a file with text in which the reader would find no folder record. A collection
// names its first folder on its first line, so this reads no further than that.
bool MayHoldACollection(const std::string& path) {
    std::FILE* file = OpenStdioFile(path, "rb");
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

std::vector<std::string> FileTypeTokens(const CSettings& settings) {
    return ::FileTypeTokens(settings.GetString(setting::FileType));
}

}  // namespace

// ---- The import's window and state ----

// What the worker and the window share: the worker only reads the paths and writes the
// counters, and keeps its own reference, so a stopped import may end before its job does.
struct ImportShared {
    std::vector<std::string> paths;
    std::vector<char> importFolder;  // per path: import it as a folder
    std::vector<std::string> fileTypes;
    const IFileSystem* fs = nullptr;
    std::atomic<bool> cancel{false};
    std::atomic<std::size_t> found{0};
    CCurrentFolder current;  // the disk folder being read, for the progress
};

// What the reading job hands over: the nodes, or that it failed (out of memory, say).
struct ImportResult {
    bool failed = false;
    std::vector<ImportNode> nodes;
    // Names found on the disk that CP932 cannot hold: left out, and told once.
    std::vector<std::wstring> refused;
    // Folders not taken whole: too deep to follow, or gone or unreadable when read.
    LeftOutFolders tooDeep;
    LeftOutFolders unreadable;
};

struct CPelorandDoc::ImportRun {
    CBlock* target = nullptr;
    bool askForFolders = true;
    std::shared_ptr<ImportShared> shared = std::make_shared<ImportShared>();
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    bool asking = false;  // a question about a folder is up: no progress over it
    // Whether to stop is being asked: what the worker hands over meanwhile waits here for
    // the answer, so that an import the user stops never lands because it finished first.
    bool answering = false;
    std::unique_ptr<std::vector<char>> heldFolders;
    std::unique_ptr<ImportResult> heldResult;
    ComPtr<IProgressDialog> progress;
};

CPelorandDoc::CPelorandDoc(CSettings& settings) : m_settings(settings) {
    std::string title = LoadResourceString(AFX_IDS_APP_TITLE);
    m_cfCollection = RegisterClipboardFormatW(UiText(title.empty() ? "Pelorand" : title).c_str());
}

CPelorandDoc::~CPelorandDoc() {
    CancelImport();
    m_pImportWorker.reset();  // a job still out is left to end by itself
    m_history.Clear();
    delete m_pRoot;
}

void CPelorandDoc::SetRoot(CBlock* root) {
    CancelImport();
    Tell(nullptr, kHintReset);
    m_pLastDropTarget = nullptr;
    m_pShownFolder = nullptr;
    m_pSelectedFolder = nullptr;
    // The edits point into the tree that goes now.
    m_history.Clear();
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
    CancelImport();
    Tell(nullptr, kHintReset);
    m_pLastDropTarget = nullptr;
    m_pShownFolder = nullptr;
    m_pSelectedFolder = nullptr;
    m_history.Clear();
}

bool CPelorandDoc::SaveModified() {
    if (IsImporting()) {
        m_import->answering = true;
        const bool wasAsking = m_import->asking;
        m_import->asking = true;  // no progress dialog over the question
        const bool stop =
            CWinApp::Get()->DoMessageBox(kStopImportQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES;
        if (m_import) {
            m_import->answering = false;
            m_import->asking = wasAsking;
            if (stop) {
                CancelImport();  // with whatever arrived while the question was up
            } else {
                // Going on: what arrived meanwhile is taken now, as it would have been.
                if (m_import->heldFolders) {
                    OnPathsClassified(std::move(m_import->heldFolders));
                } else if (m_import->heldResult) {
                    OnImportBuilt(std::move(m_import->heldResult));
                }
            }
        }
        if (!stop) return false;
    }
    return CDocument::SaveModified();
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
    // The views are told once the records are read: the tree shows the new folders then.
    RecordReadContext context;
    context.ppRoot = &m_pRoot;
    ::ReadRecords(source, parent, context);
}

void CPelorandDoc::ShowFolder(CBlock* folder) {
    if (!folder) return;
    m_pShownFolder = folder;
    Tell(nullptr, kHintFolderShown, folder);
}

void CPelorandDoc::SelectFolder(CBlock* folder) {
    if (folder) Tell(nullptr, kHintSelectFolder, folder);
}

// ---- The edits and their history ----

void CPelorandDoc::Record(std::unique_ptr<CEdit> edit) {
    SetModifiedFlag();
    if (m_pGathering) {
        m_pGathering->Add(std::move(edit));
    } else {
        m_history.Add(std::move(edit));
    }
}

void CPelorandDoc::RecordInserted(CBlock* folder, int first) {
    if (!folder || folder->m_Children.GetCount() <= first) return;
    Record(std::make_unique<CInsertEdit>(*folder, first));
    Tell(nullptr, kHintEntryAdded, folder);
}

void CPelorandDoc::EntryRemoving(CBlock& entry) {
    // Whatever refers into the subtree lets go of it first.
    if (m_import && IsSameOrBelow(m_import->target, &entry)) CancelImport();
    if (IsSameOrBelow(m_pShownFolder, &entry)) m_pShownFolder = nullptr;
    if (IsSameOrBelow(m_pLastDropTarget, &entry)) m_pLastDropTarget = nullptr;
    if (IsSameOrBelow(m_pSelectedFolder, &entry)) m_pSelectedFolder = nullptr;
    Tell(nullptr, kHintEntryRemoved, &entry);
}

void CPelorandDoc::EntriesInserted(CBlock& folder) {
    Tell(nullptr, kHintEntryAdded, &folder);
}

void CPelorandDoc::EntryChanged(CBlock& entry) {
    // A file entry's change is the list's alone: it hears of all of them at once afterwards.
    if (entry.m_bFolder) Tell(m_pSender, kHintEntryChanged, &entry);
}

void CPelorandDoc::EntriesChanged(const std::vector<CBlock*>& entries, CView* sender) {
    m_pSender = sender;
    for (CBlock* entry : entries) EntryChanged(*entry);
    m_pSender = nullptr;
    Tell(sender, kHintEntryChanged, nullptr);
}

void CPelorandDoc::RenameEntry(CBlock* entry, const std::string& name, CView* sender) {
    if (!entry) return;
    auto edit = std::make_unique<CPropertiesEdit>(std::vector<CBlock*>{entry}, false);
    entry->m_strName = name;
    if (!edit->Finish()) return;
    Record(std::move(edit));
    EntriesChanged({entry}, sender);
}

void CPelorandDoc::SetChangerEnabled(CBlock* entry, bool enabled, CView* sender) {
    if (!entry || (entry->m_bChangerEnabled != 0) == enabled) return;
    auto edit = std::make_unique<CPropertiesEdit>(std::vector<CBlock*>{entry}, false);
    entry->m_bChangerEnabled = enabled ? 1 : 0;
    if (!edit->Finish()) return;
    Record(std::move(edit));
    EntriesChanged({entry}, sender);
}

void CPelorandDoc::ChangeProperties(const std::vector<CBlock*>& entries,
                                    const PropertyChange& change) {
    if (entries.empty()) return;
    auto edit = std::make_unique<CPropertiesEdit>(entries, change.subfolders);
    for (CBlock* entry : entries) ApplyPropertyChange(*entry, change);
    // OK in the dialog counts as an edit even when it changed nothing, as it always has; only
    // a step that changed something is offered to undo.
    SetModifiedFlag();
    if (edit->Finish()) Record(std::move(edit));
    std::vector<CBlock*> told = entries;
    if (change.subfolders) {
        for (CBlock* entry : entries) entry->CollectFolders(told, false);
    }
    EntriesChanged(told, nullptr);
}

void CPelorandDoc::RemoveEntries(const std::vector<CBlock*>& entries) {
    IEditListener& listener = *this;
    auto edit = std::make_unique<CRemoveEdit>(entries, listener);
    if (edit->Empty()) return;
    Record(std::move(edit));
}

DWORD CPelorandDoc::DragEntries(const std::vector<CBlock*>& entries) {
    m_pLastDropTarget = nullptr;
    if (entries.empty()) return DROPEFFECT_NONE;
    ComPtr<IDataObject> data = SendEntries(entries);
    if (!data) return DROPEFFECT_NONE;
    // The copy at the target and the removal here are one step.
    auto step = std::make_unique<CEditGroup>();
    m_pGathering = step.get();
    DWORD effect = DROPEFFECT_NONE;
    try {
        effect = DoDragDrop(data.Get(), DROPEFFECT_COPY | DROPEFFECT_MOVE);
        data.Reset();
        CBlock* target = m_pLastDropTarget;
        if (effect == DROPEFFECT_MOVE) {
            std::vector<CBlock*> moving;
            bool intoItself = false;
            for (CBlock* entry : entries) {
                if (target && IsSameOrBelow(target, entry)) {
                    intoItself = true;
                } else {
                    moving.push_back(entry);
                }
            }
            if (intoItself) {
                CWinApp::Get()->DoMessageBox(kSelfMoveMessage, MB_OK | MB_ICONEXCLAMATION);
            }
            RemoveEntries(moving);
        }
    } catch (...) {
        m_pGathering = nullptr;
        if (!step->Empty()) m_history.Add(std::move(step));
        throw;
    }
    m_pGathering = nullptr;
    if (!step->Empty()) m_history.Add(std::move(step));
    if (CBlock* target = m_pLastDropTarget) {  // (gone if it lay in what was removed)
        ShowFolder(target);
        SelectFolder(target);
        m_pLastDropTarget = nullptr;
    }
    return effect;
}

void CPelorandDoc::Undo() {
    if (!m_history.CanUndo() || IsImporting()) return;
    m_history.Undo(*this);
    SetModifiedFlag();
    AfterHistoryStep();
}

void CPelorandDoc::Redo() {
    if (!m_history.CanRedo() || IsImporting()) return;
    m_history.Redo(*this);
    SetModifiedFlag();
    AfterHistoryStep();
}

void CPelorandDoc::AfterHistoryStep() {
    Tell(nullptr, kHintEntryChanged, nullptr);
    ShowFolder(m_pShownFolder ? m_pShownFolder : m_pSelectedFolder);
}

// ---- Editing ----

bool CPelorandDoc::ChangesCollection(unsigned id) {
    switch (id) {
        case ID_ADD_FILE:
        case ID_NEW_FOLDER:
        case ID_EDIT_PASTE:
        case ID_EDIT_CUT:
        case ID_DELETE:
        case ID_RENAME:
        case ID_PROPERTY:
        case ID_EDIT_UNDO:
        case ID_EDIT_REDO:
            return true;
    }
    return false;
}

bool CPelorandDoc::CanAcceptData(IDataObject* data, bool& offersFiles, bool& offersCollection,
                                 DWORD effect) const {
    if (effect != DROPEFFECT_COPY && effect != DROPEFFECT_MOVE) return false;
    if (IsImporting()) return false;
    offersFiles = DataOffers(data, CF_HDROP);
    offersCollection = DataOffers(data, m_cfCollection);
    return true;
}

bool CPelorandDoc::AcceptData(CBlock* target, IDataObject* data) {
    const bool files = DataOffers(data, CF_HDROP);
    const bool collection = DataOffers(data, m_cfCollection);
    if (!target || IsImporting()) return false;
    if (collection && !ReceiveData(data, target, m_cfCollection)) return false;
    if (files && !ReceiveData(data, target, CF_HDROP)) return false;
    m_pLastDropTarget = target;
    return true;
}

void CPelorandDoc::ReportTransferFailure() {
    CWinApp::Get()->DoMessageBox(kTransferFailed, MB_OK | MB_ICONEXCLAMATION);
}

bool CPelorandDoc::ReceiveData(IDataObject* data, CBlock* target, UINT format) {
    const std::string tempPath = GetTempCollectionPath();
    std::string bytes;
    if (format != CF_HDROP) {
        if (!GetGlobalBytes(data, format, bytes)) return true;  // nothing offered, nothing taken
        bytes.resize(std::min(bytes.size(), bytes.find('\0')));
    }
    {
        // Created or truncated for a file drop too, which leaves it empty.
        std::FILE* file = OpenStdioFile(tempPath, "wb");
        if (!file) {
            ReportTransferFailure();
            return false;
        }
        CFileSink sink(file, CArchive::kBufferSize);
        sink.Write(bytes);
        bool written = sink.Flush() && sink.Good();
        if (std::fclose(file) != 0 || !written) {
            ReportTransferFailure();
            return false;
        }
    }
    if (format == CF_HDROP) {
        std::vector<std::string> paths;
        GetDroppedPaths(paths, data);
        AddPaths(target, std::move(paths));
        return true;
    }
    std::FILE* file = OpenStdioFile(tempPath, "rb");
    if (!file) {
        ReportTransferFailure();
        return false;
    }
    const int before = target->m_Children.GetCount();
    CFileLineSource source(file, CArchive::kBufferSize);
    // The reader never fails on hostile text: what is not a record is skipped.
    ReadRecords(source, target);
    const bool failed = source.Failed();
    std::fclose(file);
    RecordInserted(target, before);
    if (failed) {
        ReportTransferFailure();
        return false;
    }
    return true;
}

void CPelorandDoc::AddPath(CBlock* target, const std::string& path) {
    AddPaths(target, {path});
}

void CPelorandDoc::AddPaths(CBlock* target, std::vector<std::string> paths) {
    if (!target || paths.empty() || IsImporting()) return;
    StartImport(target, std::move(paths), true);
}

bool CPelorandDoc::AddFolderContents(CBlock* folder, const std::string& path) {
    if (!folder || IsImporting()) return false;
    // The folder itself is imported without asking; its contents go straight into folder.
    StartImport(folder, {path}, false);
    return true;
}

const IFileSystem& CPelorandDoc::FileSystem() const {
    static const CPlatformFileSystem platform;
    return m_pFileSystem ? *m_pFileSystem : platform;
}

void CPelorandDoc::OnImportMessage(UINT msg, WPARAM wParam) {
    switch (msg) {
        case kMsgClassified:
            OnPathsClassified(m_pImportWorker->Take<std::vector<char>>(wParam));
            break;
        case kMsgBuilt:
            OnImportBuilt(m_pImportWorker->Take<ImportResult>(wParam));
            break;
        case WM_TIMER:
            if (wParam == kProgressTimer) OnImportTimer();
            break;
        default:
            break;
    }
}

void CPelorandDoc::StartImport(CBlock* target, std::vector<std::string> paths,
                               bool askForFolders) {
    if (!m_pImportWorker) {
        m_pImportWorker = std::make_unique<CWorker>(
            [this](UINT msg, WPARAM wParam, LPARAM) { OnImportMessage(msg, wParam); });
    }
    if (!m_pImportWorker->MessageWindow()) return;
    auto run = std::make_unique<ImportRun>();
    run->target = target;
    run->askForFolders = askForFolders;
    run->shared->paths = std::move(paths);
    run->shared->fileTypes = FileTypeTokens(m_settings);
    run->shared->fs = &FileSystem();
    std::shared_ptr<ImportShared> shared = run->shared;
    m_import = std::move(run);
    SetTimer(m_pImportWorker->MessageWindow(), kProgressTimer, kProgressInterval, nullptr);
    Tell(nullptr, kHintImportDone);  // the commands see the import running
    // First the paths are told apart on the worker: a folder is asked about here.
    bool started = m_pImportWorker->Start([shared](CWorkerJob& worker) {
        auto folders = std::make_unique<std::vector<char>>();
        try {
            folders->reserve(shared->paths.size());
            for (const std::string& path : shared->paths) {
                if (worker.CancelRequested()) return;
                // A path whose attributes cannot be read counts as a folder, as the shell's
                // picker only offers what exists.
                PathAttributes attributes = shared->fs->GetAttributes(path);
                folders->push_back(!attributes.readable || attributes.isDirectory ? 1 : 0);
                shared->found.fetch_add(1, std::memory_order_relaxed);
            }
        } catch (const std::exception&) {
            folders->clear();  // fewer answers than paths: the import failed
        }
        worker.Post(kMsgClassified, std::move(folders));
    });
    if (!started) EndImport();
}

void CPelorandDoc::OnPathsClassified(std::unique_ptr<std::vector<char>> folders) {
    if (!m_import || !folders) return;  // a result of an import stopped meanwhile
    if (m_import->answering) {
        m_import->heldFolders = std::move(folders);
        return;
    }
    ImportShared& shared = *m_import->shared;
    if (folders->size() != shared.paths.size()) {
        EndImport();
        CWinApp::Get()->DoMessageBox(kTransferFailed, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    shared.importFolder.assign(folders->size(), 0);
    for (std::size_t i = 0; i < folders->size(); ++i) {
        if (!(*folders)[i]) continue;
        if (m_import->askForFolders) {
            m_import->asking = true;
            const bool yes =
                CWinApp::Get()->DoMessageBox(kFolderQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES;
            if (!m_import) return;  // stopped while the question was up
            m_import->asking = false;
            shared.importFolder[i] = yes;
        } else {
            shared.importFolder[i] = 1;
        }
    }
    // The time the user took to answer is not the import's.
    m_import->started = std::chrono::steady_clock::now();
    shared.found = 0;
    std::shared_ptr<ImportShared> keep = m_import->shared;
    const bool intoTarget = !m_import->askForFolders;
    bool started = m_pImportWorker->Start([keep, intoTarget](CWorkerJob& worker) {
        FolderScan scan;
        scan.fs = keep->fs;
        scan.fileTypes = keep->fileTypes;
        scan.cancel = &keep->cancel;
        scan.found = &keep->found;
        scan.current = &keep->current;
        auto result = std::make_unique<ImportResult>();
        scan.tooDeep = &result->tooDeep;
        scan.unreadable = &result->unreadable;
        CRefusedNames refused;  // gathers what the file system leaves out on this thread
        try {
            std::vector<ImportNode>& nodes = result->nodes;
            for (std::size_t i = 0; i < keep->paths.size(); ++i) {
                ImportNode node{keep->paths[i], keep->importFolder[i] != 0, {}};
                if (node.folder && !ScanFolder(scan, node)) return;  // stopped: nothing comes
                keep->found.fetch_add(1, std::memory_order_relaxed);
                if (intoTarget) {
                    for (ImportNode& child : node.children) nodes.push_back(std::move(child));
                } else {
                    nodes.push_back(std::move(node));
                }
                if (worker.CancelRequested()) return;
            }
        } catch (const std::exception&) {
            result->nodes.clear();
            result->nodes.shrink_to_fit();
            result->failed = true;
        }
        result->refused = refused.Names();
        worker.Post(kMsgBuilt, std::move(result));
    });
    if (!started) EndImport();
}

void CPelorandDoc::OnImportBuilt(std::unique_ptr<ImportResult> result) {
    if (!m_import || !result) return;  // a result of an import stopped meanwhile
    if (m_import->answering) {
        m_import->heldResult = std::move(result);
        return;
    }
    CBlock* target = m_import->target;
    const bool intoTarget = !m_import->askForFolders;
    EndImport();
    if (result->failed) {
        CWinApp::Get()->DoMessageBox(kTransferFailed, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    Attach(target, result->nodes, intoTarget);
    ReportRefusedNames(result->refused);
    ReportLeftOutFolders(result->tooDeep, kTooDeepFolders);
    ReportLeftOutFolders(result->unreadable, kUnreadableFolders);
}

void CPelorandDoc::Attach(CBlock* target, const std::vector<ImportNode>& nodes,
                          bool intoTarget) {
    if (!target) return;
    if (!nodes.empty()) {
        // An imported folder and its entries take the target's properties; a file added as
        // it is keeps the defaults, and so do the entries of an import straight into target.
        const int before = target->m_Children.GetCount();
        try {
            for (const ImportNode& node : nodes) {
                AppendImported(*target, node, *target, intoTarget ? 1 : node.folder ? 2 : 0);
            }
        } catch (...) {
            RecordInserted(target, before);  // what was linked stays, and can be taken back
            throw;
        }
        RecordInserted(target, before);
    }
    ShowFolder(target);
}

void CPelorandDoc::OnImportTimer() {
    if (!m_import) return;
    ImportRun& run = *m_import;
    if (run.asking) return;
    if (!run.progress && std::chrono::steady_clock::now() - run.started >= kProgressDelay) {
        ComPtr<IProgressDialog> dialog;
        if (SUCCEEDED(CoCreateInstance(CLSID_ProgressDialog, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IProgressDialog,
                                       reinterpret_cast<void**>(dialog.GetAddressOf())))) {
            dialog->SetTitle(UiText(kImportTitle).c_str());
            CWnd* main = CWinApp::Get() ? CWinApp::Get()->m_pMainWnd : nullptr;
            if (SUCCEEDED(dialog->StartProgressDialog(main ? main->m_hWnd : nullptr, nullptr,
                                                      PROGDLG_NORMAL | PROGDLG_NOPROGRESSBAR,
                                                      nullptr))) {
                run.progress = std::move(dialog);
            }
        }
    }
    if (!run.progress) return;
    if (run.progress->HasUserCancelled()) {
        CancelImport();
        return;
    }
    // A bare count says nothing to the user; say what is being counted.
    const std::string line = std::string(kImportFound) +
                             GroupDigits(run.shared->found.load(std::memory_order_relaxed)) +
                             kImportFoundUnit;
    run.progress->SetLine(1, UiText(line).c_str(), FALSE, nullptr);
    // The folder being read on the second line, shortened to fit as the shell shortens paths.
    const std::string folder = run.shared->current.Get();
    if (!folder.empty()) run.progress->SetLine(2, ToWide(folder).c_str(), TRUE, nullptr);
}

void CPelorandDoc::CancelImport() {
    if (!m_import) return;
    m_import->shared->cancel = true;
    if (m_pImportWorker) m_pImportWorker->RequestCancel();
    EndImport();
}

void CPelorandDoc::EndImport() {
    if (!m_import) return;
    std::unique_ptr<ImportRun> run = std::move(m_import);
    if (m_pImportWorker) KillTimer(m_pImportWorker->MessageWindow(), kProgressTimer);
    if (run->progress) run->progress->StopProgressDialog();
    Tell(nullptr, kHintImportDone);
}

void CPelorandDoc::WaitForImport() {
    while (m_import && m_pImportWorker) {
        m_pImportWorker->WaitUpTo(INFINITE);
        MSG msg;
        bool handled = false;
        while (PeekMessageW(&msg, m_pImportWorker->MessageWindow(), kMsgClassified, kMsgBuilt,
                            PM_REMOVE)) {
            DispatchMessageW(&msg);
            handled = true;
        }
        if (!handled && m_import && !m_pImportWorker->IsRunning()) {
            EndImport();  // the job ended without a result (it failed)
        }
    }
}

bool CPelorandDoc::PutOnClipboard(IDataObject* data) {
    if (!data) return false;
    if (SetClipboardData(data)) return true;
    CWinApp::Get()->DoMessageBox(kTransferFailed, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

ComPtr<IDataObject> CPelorandDoc::SendEntries(const std::vector<CBlock*>& entries) {
    const std::string tempPath = GetTempCollectionPath();
    DeleteFileW(ToWide(tempPath).c_str());
    {
        std::FILE* file = OpenStdioFile(tempPath, "wb");
        if (!file) {
            ReportTransferFailure();
            return nullptr;
        }
        CFileSink sink(file, CArchive::kBufferSize);
        for (const CBlock* entry : entries) entry->WriteRecord(sink);
        bool written = sink.Flush() && sink.Good();
        if (std::fclose(file) != 0 || !written) {
            ReportTransferFailure();
            return nullptr;
        }
    }
    // MakeDataSource: the file's bytes, read back whole, and one zero byte.
    std::string bytes;
    {
        std::FILE* file = OpenStdioFile(tempPath, "rb");
        if (!file) {
            ReportTransferFailure();
            return nullptr;
        }
        char buffer[CArchive::kBufferSize];
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
        bool failed = std::ferror(file) != 0;
        std::fclose(file);
        if (failed) {
            ReportTransferFailure();
            return nullptr;
        }
    }
    CUniqueGlobal block = MakeGlobalText(bytes);
    if (!block) {
        ReportTransferFailure();
        return nullptr;
    }
    ComPtr<CDataSource> source(new CDataSource);
    source->CacheGlobalData(m_cfCollection, std::move(block));
    return source;
}

CBlock* CPelorandDoc::NewFolder(CBlock* parent) {
    if (!parent) return nullptr;
    auto folder = std::make_unique<CBlock>();
    folder->m_bFolder = 1;
    folder->m_strName = "Pelorand";
    folder->m_nPriority = parent->m_nPriority;
    folder->m_bInherit = parent->m_bInherit;
    folder->SetTexts(parent->Author(), parent->Comment(), parent);
    folder->m_pParent = parent;
    CBlock* made = folder.get();
    const int before = parent->m_Children.GetCount();
    parent->m_Children.AddTail(made);
    folder.release();
    RecordInserted(parent, before);
    if (parent == m_pSelectedFolder) ShowFolder(parent);
    return made;
}

void CPelorandDoc::OnAddFile() {
    CBlock* target = SelectedFolder();
    if (!target) return;
    CWnd* main = CWinApp::Get() ? CWinApp::Get()->m_pMainWnd : nullptr;
    std::string path;
    if (!BrowseForPath(main ? main->m_hWnd : nullptr, path)) return;
    AddPath(target, path);
}

void CPelorandDoc::OnPaste() {
    CBlock* target = SelectedFolder();
    if (!target) return;
    ComPtr<IDataObject> data = GetClipboardData();
    if (data && AcceptData(target, data.Get()) && !IsImporting()) ShowFolder(target);
}

void CPelorandDoc::OnNewFolder() {
    NewFolder(SelectedFolder());
}

bool CPelorandDoc::OnCmdMsg(unsigned id, CCmdUI* ui) {
    switch (id) {
        case ID_ADD_FILE:
        case ID_NEW_FOLDER:
            if (ui) {
                ui->Enable(SelectedFolder() != nullptr);
            } else if (id == ID_ADD_FILE) {
                OnAddFile();
            } else {
                OnNewFolder();
            }
            return true;
        case ID_EDIT_UNDO:
        case ID_EDIT_REDO:
            if (ui) {
                ui->Enable(id == ID_EDIT_UNDO ? CanUndo() : CanRedo());
            } else if (id == ID_EDIT_UNDO) {
                Undo();
            } else {
                Redo();
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
