// The folder tree: one item per folder of the collection, in the left pane.
#pragma once

#include "fw/TreeView.h"
#include "model/TreeControl.h"

class CBlock;
class CPelorandDoc;

class CPelorandTreeView : public CTreeView, public ITreeControl {
  public:
    bool Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) override;
    void OnInitialUpdate() override;

    // The entry of the selected item, or null.
    CBlock* GetSelectedFolder() const;
    // Selects the root, which lists its entries.
    void SelectRoot();
    // Deletes every item without treating the selection changes this causes as the user's.
    void ClearItems();

    // ITreeControl: how the entry tree shows its folders here.
    TreeItem InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage,
                        CBlock* data) override;
    void SetCheck(TreeItem item, bool checked) override;
    int FolderImage() override;

    CPelorandDoc* GetDocument() const;

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnReflectNotify(NMHDR* header, LRESULT& result) override;

  private:
    bool m_bClearing = false;
};
