// A tree control that records what the entry tree asks of it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/TreeControl.h"

class FakeTree : public ITreeControl {
  public:
    struct Item {
        TreeItem parent;
        std::string text;
        int image, selectedImage;
        CBlock* data;
        bool checked = false;
        int checkCalls = 0;
    };

    TreeItem InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage,
                        CBlock* data) override {
        items.push_back(std::make_unique<Item>(Item{parent, text, image, selectedImage, data}));
        return items.back().get();
    }
    void SetCheck(TreeItem item, bool checked) override {
        Item* i = static_cast<Item*>(item);
        i->checked = checked;
        ++i->checkCalls;
    }
    int FolderImage() override { return 7; }

    static Item& At(TreeItem item) { return *static_cast<Item*>(item); }

    std::vector<std::unique_ptr<Item>> items;
};
