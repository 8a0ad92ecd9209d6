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
#include "model/TreeControl.h"
#include "win/Handles.h"

class CBlock;
class CImportWindow;
class CSettings;
class IFileSystem;
class ILineSource;
struct ImportNode;
struct ImportResult;

// What the document tells its views (CView::OnUpdate's hint); the object is the entry named.
enum DocHint : LPARAM {
    // The whole tree is about to be replaced or freed: every item and row lets go of it.
    kHintReset = 1,
    // Entries were added below the folder (object): new sub-folders get their tree items.
    kHintEntryAdded,
    // The entry (object) and its subtree are about to be freed: nothing may keep them, and
    // its parent loses it.
    kHintEntryRemoved,
    // The entry's name, texts or check box changed (object; null: several entries).
    kHintEntryChanged,
    // The list shows the children of the folder (object; null: nothing).
    kHintFolderShown,
    // The tree selects the folder (object), showing the items on the way down to it.
    kHintSelectFolder,
    // An import finished or stopped: commands are worked out again.
    kHintImportDone,
    // A thumbnail page was written (object: its path, a const std::string): the pane shows it.
    kHintPageReady,
};

class CPelorandDoc : public CDocument {
  public:
    // settings: the program's settings, handed in by the application; they outlive the document.
    explicit CPelorandDoc(CSettings& settings);
    ~CPelorandDoc() override;
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
    // An entry's name, texts or check changed: marks the document and tells the views.
    void EntryChanged(CBlock* entry, CView* sender = nullptr);

    // The edits. Each marks the document modified.
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
    // Removes entry and its subtree from the views and the collection. Never the root.
    void RemoveEntry(CBlock* entry);
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
    CBlock* m_pLastDropTarget = nullptr;

  private:
    friend class CImportWindow;
    struct ImportRun;

    CSettings& m_settings;

    void OnAddFile();
    void OnPaste();
    void OnNewFolder();
    // Makes root the collection. The views drop their items first: they point into the old tree.
    void SetRoot(CBlock* root);
    // Tells the user the transfer text failed, with the framework's failure message.
    void ReportTransferFailure();

    // The import's steps: the paths are told apart on the worker, the user answers for each
    // folder here, the worker reads the disk, and the result is attached here.
    void StartImport(CBlock* target, std::vector<std::string> paths, bool askForFolders);
    void OnPathsClassified(std::unique_ptr<std::vector<char>> folders);
    void OnImportBuilt(std::unique_ptr<ImportResult> result);
    void OnImportTimer();
    void EndImport();
    // Links the entries of nodes below target; intoTarget: they are a folder's contents.
    void Attach(CBlock* target, const std::vector<ImportNode>& nodes, bool intoTarget);
    const IFileSystem& FileSystem() const;

    CBlock* m_pSelectedFolder = nullptr;
    std::unique_ptr<CImportWindow> m_pImportWindow;
    std::unique_ptr<ImportRun> m_import;
};
