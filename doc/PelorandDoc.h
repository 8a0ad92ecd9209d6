// The collection document: owns the entry tree, reads and writes it as a collection file,
// and fills the file list with a folder's entries.
#pragma once

#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <ole2.h>

#include <string>
#include <vector>

#include "fw/Document.h"
#include "fw/Handles.h"
#include "model/TreeControl.h"

class CBlock;
class ILineSource;
class CImageHtmlView;
class CPelorandListView;
class CPelorandTreeView;

class CPelorandDoc : public CDocument {
  public:
    CPelorandDoc();
    ~CPelorandDoc() override;

    bool OnNewDocument() override;
    // A file with text but no folder record is no collection: it is not opened, and the
    // collection open until then stays.
    bool OnOpenDocument(const std::string& path) override;
    // Storing writes the root's records; loading reads a whole collection file.
    void Serialize(CArchive& ar) override;
    void DeleteContents() override;
    // The author list (1003), back and forward in the thumbnail pane; the rest goes to the
    // framework's document.
    bool OnCmdMsg(unsigned id, CCmdUI* ui) override;

    // Replaces the collection by a single folder named with the application title.
    void CreateRoot();
    // Reads collection records: a whole document (parent null) or entries below parent.
    void ReadRecords(ILineSource& source, CBlock* parent);
    // Lists folder's children in the file list (the last child at the top).
    void ShowFolder(CBlock* folder);
    // Stores each row's index in the entry the row holds.
    void RenumberListItems();

    // The edits. Each marks the document modified.
    // Whether data may be dropped with effect (copy or move only), and what it offers.
    bool CanAcceptData(IDataObject* data, bool& offersFiles, bool& offersCollection,
                       DWORD effect) const;
    // Takes collection text, then shell files, into target. False only without a target.
    bool AcceptData(CBlock* target, IDataObject* data);
    // Takes one format of data into target, staged through the temporary transfer file.
    void ReceiveData(IDataObject* data, CBlock* target, UINT format);
    // Adds a file, or a disk folder (as a file entry, or imported when the user says so).
    void AddPath(CBlock* target, const std::string& path);
    // Imports the images and sub-folders of a disk folder into folder.
    bool AddFolderContents(CBlock* folder, const std::string& path);
    // Writes entries (with their subtrees) as transfer text through the temporary transfer
    // file and offers it under m_cfCollection. Null when the file cannot be written or read.
    ComPtr<IDataObject> SendEntries(const std::vector<CBlock*>& entries);
    // Removes entry and its subtree from the views and the collection. Never the root.
    void RemoveEntry(CBlock* entry);
    // The folder whose children the list shows, or null.
    CBlock* m_pShownFolder = nullptr;

    CPelorandTreeView* m_pTreeView = nullptr;
    CPelorandListView* m_pListView = nullptr;
    CImageHtmlView* m_pImageView = nullptr;
    CBlock* m_pRoot = nullptr;
    unsigned m_cfCollection = 0;
    unsigned char m_bInsertPasted = 0;
    TreeItem m_hPasteParentItem = nullptr;
    CBlock* m_pLastDropTarget = nullptr;

  private:
    // One file entry for path as the last child of folder, shown in the list.
    void AddFileEntry(CBlock* folder, const std::string& path);
    CBlock* SelectedFolder() const;
    void OnAddFile();
    void OnPaste();
    void OnNewFolder();
    bool AddFolderContents(CBlock* folder, const std::string& path,
                           std::vector<std::string>& ancestors, int depth);

    // Makes root the collection. The views drop their items first: they point into the old tree.
    void SetRoot(CBlock* root);
};
