// The collection document: owns the entry tree, reads and writes it as a collection file, and
// edits it. It tells its views what changed through UpdateAllViews with the hints below; it
// knows no view of its own.
#pragma once

#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <ole2.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "fw/Document.h"
#include "fw/View.h"
#include "model/EditHistory.h"
#include "win/Handles.h"

class CBlock;
class CWorker;
class CSettings;
class IFileSystem;
class ILineSource;
struct ImportNode;
struct PropertyChange;
struct ImportResult;

// What the document tells its views; the entry is the one named.
enum DocHint {
    // The whole tree is about to be replaced or freed: every item and row lets go of it.
    kHintReset = 1,
    // Entries were added below the folder (entry): new sub-folders get their tree items.
    kHintEntryAdded,
    // The entry and its subtree leave the tree: nothing may keep them, and its parent loses it.
    kHintEntryRemoved,
    // The entry's name, texts or check box changed (null: several entries).
    kHintEntryChanged,
    // The list shows the children of the folder (entry; null: nothing).
    kHintFolderShown,
    // The tree selects the folder (entry), showing the items on the way down to it.
    kHintSelectFolder,
    // An import finished or stopped: commands are worked out again.
    kHintImportDone,
    // A thumbnail page was written (page): the pane shows it.
    kHintPageReady,
};

struct DocUpdate : CUpdateHint {
    explicit DocUpdate(DocHint kind, CBlock* entry = nullptr) : kind(kind), entry(entry) {}
    DocHint kind;
    CBlock* entry;
    std::string page;
};

class CPelorandDoc : public CDocument, private IEditListener {
  public:
    // settings: the program's settings, handed in by the application; they outlive the document.
    explicit CPelorandDoc(CSettings& settings);
    ~CPelorandDoc() override;
    // Tells every view but sender what changed.
    void Tell(CView* sender, DocHint kind, CBlock* entry = nullptr) {
        UpdateAllViews(sender, DocUpdate(kind, entry));
    }
    // The program's settings, for the document and its views.
    CSettings& Settings() const { return m_settings; }

    bool OnNewDocument() override;
    // A file with text but no folder record is no collection: it is not opened, and the
    // collection open until then stays.
    bool OnOpenDocument(const std::string& path) override;
    // Storing writes the root's records; loading reads a whole collection file.
    void Serialize(CArchive& ar) override;
    void DeleteContents() override;
    // While an import runs, first asks whether to stop it; No keeps the window as it is.
    bool SaveModified() override;
    // Adding files and folders and pasting; every command that would change the collection
    // is disabled while an import runs.
    bool OnCmdMsg(unsigned id, CCmdUI* ui) override;

    // Replaces the collection by a single folder named with the application title.
    void CreateRoot();
    // Reads collection records: a whole document (parent null) or entries below parent.
    void ReadRecords(ILineSource& source, CBlock* parent);
    // Lists folder's children in the file list (the last child at the top).
    void ShowFolder(CBlock* folder);
    // The tree's selection: the folder that add, paste and new folder go into.
    void SetSelectedFolder(CBlock* folder) { m_pSelectedFolder = folder; }
    CBlock* SelectedFolder() const { return m_pSelectedFolder; }
    // Has the tree select folder (which lists it).
    void SelectFolder(CBlock* folder);

    // The edits. Each is one step that "元に戻す" takes back, marks the document modified and
    // tells the views (all but sender, which shows the change already).
    void RenameEntry(CBlock* entry, const std::string& name, CView* sender = nullptr);
    // The check box of a row or a folder: whether the changer draws from the entry.
    void SetChangerEnabled(CBlock* entry, bool enabled, CView* sender = nullptr);
    // What the properties dialog decided, for the entries it was opened for.
    void ChangeProperties(const std::vector<CBlock*>& entries, const PropertyChange& change);
    // Removes entries with their subtrees (never the root; an entry below another one of them
    // goes with it). The edit keeps them, so that undo puts them back where they were.
    void RemoveEntries(const std::vector<CBlock*>& entries);
    void RemoveEntry(CBlock* entry) { RemoveEntries({entry}); }
    // Drags entries out of a view: they are copied where they are dropped, and with a move
    // taken out here afterwards (not when the target lies inside one of them), all as one
    // step. The target is shown and selected afterwards. The effect the drop took.
    DWORD DragEntries(const std::vector<CBlock*>& entries);
    bool CanUndo() const { return m_history.CanUndo(); }
    bool CanRedo() const { return m_history.CanRedo(); }
    void Undo();
    void Redo();
    const CEditHistory& History() const { return m_history; }

    // Whether data may be dropped with effect (copy or move only), and what it offers.
    bool CanAcceptData(IDataObject* data, bool& offersFiles, bool& offersCollection,
                       DWORD effect) const;
    // Takes collection text, then shell files, into target. False only without a target, or
    // when an import still runs.
    bool AcceptData(CBlock* target, IDataObject* data);
    // Takes collection text (format m_cfCollection) into target, staged through the temporary
    // transfer file, or shell files (CF_HDROP), which are imported. False when the transfer
    // file could not be created, written or read (the user has been told).
    bool ReceiveData(IDataObject* data, CBlock* target, UINT format);
    // Adds a file, or a disk folder (as a file entry, or imported when the user says so).
    void AddPath(CBlock* target, const std::string& path);
    // Adds paths in their order, on the worker: see StartImport.
    void AddPaths(CBlock* target, std::vector<std::string> paths);
    // Imports the images and sub-folders of a disk folder into folder.
    bool AddFolderContents(CBlock* folder, const std::string& path);
    // Writes entries (with their subtrees) as transfer text through the temporary transfer
    // file and offers it under m_cfCollection. Null when the file cannot be written or read;
    // the user has then been told.
    ComPtr<IDataObject> SendEntries(const std::vector<CBlock*>& entries);
    // Puts data on the clipboard; false, and the user told, when the clipboard cannot take it.
    bool PutOnClipboard(IDataObject* data);
    // A new folder, named "Pelorand", as the last child of parent.
    CBlock* NewFolder(CBlock* parent);

    // Importing runs on a worker: the disk is read there, the entries are attached here in
    // one step when it ends. A progress dialog offers to stop it; stopping leaves the
    // collection as it was.
    bool IsImporting() const { return m_import != nullptr; }
    void CancelImport();
    // Waits for the import to end, answering its questions and attaching its entries, as the
    // message loop would (tests and figures).
    void WaitForImport();
    // Whether command id changes the collection, and so waits while an import runs.
    static bool ChangesCollection(unsigned id);
    // Where imports read the disk (tests set a fake; null: the platform's).
    const IFileSystem* m_pFileSystem = nullptr;

    // The folder whose children the list shows, or null.
    CBlock* m_pShownFolder = nullptr;
    CBlock* m_pRoot = nullptr;
    unsigned m_cfCollection = 0;

  private:
    struct ImportRun;

    CSettings& m_settings;

    void OnAddFile();
    void OnPaste();
    void OnNewFolder();
    // Makes root the collection. The views drop their items first: they point into the old tree.
    void SetRoot(CBlock* root);
    // Tells the user the transfer text failed, with the framework's failure message.
    void ReportTransferFailure();
    // Keeps an edit already made: in the step being gathered (a drag), or as a step of its own.
    void Record(std::unique_ptr<CEdit> edit);
    // The children of folder from first on were just put there: one step, and the views told.
    void RecordInserted(CBlock* folder, int first);
    // After an undo or redo: the list shows again what it showed, as it is now.
    void AfterHistoryStep();
    // What the edits tell the views as they are made, undone and redone.
    void EntryRemoving(CBlock& entry) override;
    void EntriesInserted(CBlock& folder) override;
    void EntryChanged(CBlock& entry) override;
    // Every entry of several changed at once: one word to the list, and one each to the tree
    // for the folders.
    void EntriesChanged(const std::vector<CBlock*>& entries, CView* sender);

    // The import's steps: the paths are told apart on the worker, the user answers for each
    // folder here, the worker reads the disk, and the result is attached here.
    void StartImport(CBlock* target, std::vector<std::string> paths, bool askForFolders);
    void OnPathsClassified(std::unique_ptr<std::vector<char>> folders);
    void OnImportBuilt(std::unique_ptr<ImportResult> result);
    void OnImportTimer();
    void OnImportMessage(UINT msg, WPARAM wParam);
    void EndImport();
    // Links the entries of nodes below target; intoTarget: they are a folder's contents.
    void Attach(CBlock* target, const std::vector<ImportNode>& nodes, bool intoTarget);
    const IFileSystem& FileSystem() const;

    CBlock* m_pSelectedFolder = nullptr;
    // Where the last drop during a drag of ours went (AcceptData notes it for DragEntries).
    CBlock* m_pLastDropTarget = nullptr;
    CEditHistory m_history;
    CEditGroup* m_pGathering = nullptr;  // the step a drag gathers its edits into
    CView* m_pSender = nullptr;          // the view that made the edit being told
    std::unique_ptr<CWorker> m_pImportWorker;  // with a message window of its own
    std::unique_ptr<ImportRun> m_import;
};
