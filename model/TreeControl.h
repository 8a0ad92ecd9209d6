// The few tree-control operations the entry tree needs, so that it can show folders
// without knowing about windows. The Windows tree view implements this; tests use a fake.
#pragma once

#include <string>

class CBlock;

using TreeItem = void*;

class ITreeControl {
  public:
    virtual ~ITreeControl() = default;
    // Inserts an item as the last child of parent (null: the top level) and returns it.
    virtual TreeItem InsertItem(TreeItem parent, const std::string& text, int image,
                                int selectedImage, CBlock* data) = 0;
    virtual void SetCheck(TreeItem item, bool checked) = 0;
    // Image index of a collection folder (the shell's plain folder icon on Windows).
    virtual int FolderImage() = 0;
};
