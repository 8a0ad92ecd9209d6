// The collection document: owns the entry tree, reads and writes it as a collection file,
// and fills the file list with a folder's entries.
#pragma once

#include <string>

#include "fw/Document.h"
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

    CPelorandTreeView* m_pTreeView = nullptr;
    CPelorandListView* m_pListView = nullptr;
    CImageHtmlView* m_pImageView = nullptr;
    CBlock* m_pRoot = nullptr;
    unsigned m_cfCollection = 0;
    unsigned char m_bInsertPasted = 0;
    TreeItem m_hPasteParentItem = nullptr;
    CBlock* m_pLastDropTarget = nullptr;

  private:
    // Makes root the collection. The views drop their items first: they point into the old tree.
    void SetRoot(CBlock* root);
};
