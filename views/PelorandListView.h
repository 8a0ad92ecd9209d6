// The file list: the selected folder's entries with their properties, in the upper right pane.
#pragma once

#include <string>
#include <unordered_map>

#include "fw/ListView.h"
#include "views/ThumbnailScheduler.h"

class CBlock;
class CPelorandDoc;

class CPelorandListView : public CListView {
  public:
    CPelorandListView();

    static constexpr int kColumnCount = 6;

    bool Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) override;
    void OnInitialUpdate() override;
    CPelorandDoc* GetDocument() const;
    bool OnCmdMsg(unsigned id, CCmdUI* ui) override;

    // Column widths live in the settings while the list shows columns (report or list style).
    void SaveColumnWidths();
    void LoadColumnWidths();

    // The shell's display name, type name and icon of an entry's row. Asking the shell costs
    // about a millisecond per file, so rows get them only when first drawn or read, and keep
    // them until the row is deleted.
    struct ShellInfo {
        std::string displayName;
        std::string typeName;
        int image = -1;
    };
    const ShellInfo& GetShellInfo(const CBlock& entry);

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnReflectNotify(NMHDR* header, LRESULT& result) override;

  public:
    // The thumbnail page of the selected files, written a moment after the last change.
    CThumbnailScheduler m_thumbnails;

  private:
    std::unordered_map<const CBlock*, ShellInfo> m_shellInfo;
};
