// The edits of an entry tree that can be taken back and done again. An edit keeps what it
// took out of the tree alive (a deleted folder of any size comes back whole, in its place,
// by relinking it), and frees it only when the edit itself is dropped.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "model/Block.h"

// Told of each step of an undo or redo as it happens, so that what shows the tree can follow.
class IEditListener {
  public:
    virtual ~IEditListener() = default;
    // entry (with its subtree) is about to leave its parent's list.
    virtual void EntryRemoving(CBlock& entry) = 0;
    // Entries were put into folder's list.
    virtual void EntriesInserted(CBlock& folder) = 0;
    // entry's name or properties changed.
    virtual void EntryChanged(CBlock& entry) = 0;
};

class CEdit {
  public:
    virtual ~CEdit() = default;
    virtual void Undo(IEditListener& listener) = 0;
    virtual void Redo(IEditListener& listener) = 0;
    // Roughly the entries it holds or names: what the history's bound counts.
    virtual std::size_t Weight() const = 0;
};

// Entries put at the end of a folder's list (a new folder, a paste, an import, a drop).
class CInsertEdit : public CEdit {
  public:
    // The children of folder from index first on are what the edit put there.
    CInsertEdit(CBlock& folder, int first);
    ~CInsertEdit() override;
    void Undo(IEditListener& listener) override;
    void Redo(IEditListener& listener) override;
    std::size_t Weight() const override { return m_entries.size(); }
    bool Empty() const { return m_entries.empty(); }

  private:
    CBlock& m_folder;
    int m_first;
    std::vector<CBlock*> m_entries;
    bool m_bOut = false;  // undone: the edit owns the entries
};

// Entries taken out of the tree with their subtrees.
class CRemoveEdit : public CEdit {
  public:
    // Takes entries out now (not the root, nor an entry that lies below another one of them),
    // telling listener first.
    CRemoveEdit(const std::vector<CBlock*>& entries, IEditListener& listener);
    ~CRemoveEdit() override;
    void Undo(IEditListener& listener) override;
    void Redo(IEditListener& listener) override;
    std::size_t Weight() const override { return m_weight; }
    bool Empty() const { return m_removed.empty(); }

  private:
    struct Removed {
        CBlock* entry;
        CBlock* parent;
        int index;
    };
    void Remove(IEditListener& listener);
    std::vector<Removed> m_removed;  // in the order taken out
    std::size_t m_weight = 0;
    bool m_bOut = true;  // done: the edit owns the entries
};

// Names and properties of entries, before and after.
class CPropertiesEdit : public CEdit {
  public:
    // Keeps entries' properties as they are now; deep: with everything below them too.
    CPropertiesEdit(const std::vector<CBlock*>& entries, bool deep);
    ~CPropertiesEdit() override;
    // Keeps the properties as they are after the change; false when nothing changed.
    bool Finish();
    void Undo(IEditListener& listener) override;
    void Redo(IEditListener& listener) override;
    std::size_t Weight() const override { return m_items.size(); }

  private:
    struct Item {
        CBlock* entry;
        CBlock::Snapshot before, after;
        // Only the entries the edit was opened for keep their names: those below never change.
        bool named;
        std::string nameBefore, nameAfter;
    };
    void Apply(bool after, IEditListener& listener);
    std::vector<Item> m_items;
};

// Several edits as one step (a move: the copy at the target and the removal of the original).
class CEditGroup : public CEdit {
  public:
    void Add(std::unique_ptr<CEdit> edit) { m_edits.push_back(std::move(edit)); }
    bool Empty() const { return m_edits.empty(); }
    void Undo(IEditListener& listener) override;
    void Redo(IEditListener& listener) override;
    std::size_t Weight() const override;

  private:
    std::vector<std::unique_ptr<CEdit>> m_edits;
};

// The undo and redo stacks. The oldest edits go once the edits kept weigh more than the bound
// (the newest edit is always kept, whatever it weighs).
class CEditHistory {
  public:
    explicit CEditHistory(std::size_t maxWeight = kDefaultWeight, std::size_t maxEdits = 100)
        : m_maxWeight(maxWeight), m_maxEdits(maxEdits) {}
    // About two million entries' worth: a few tens of MB at most.
    static constexpr std::size_t kDefaultWeight = 2'000'000;

    // Records an edit already applied; what could be redone is dropped.
    void Add(std::unique_ptr<CEdit> edit);
    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }
    void Undo(IEditListener& listener);
    void Redo(IEditListener& listener);
    // Drops every edit (the tree they point into is about to go).
    void Clear();
    std::size_t Weight() const { return m_weight; }

  private:
    void Trim();
    std::vector<std::unique_ptr<CEdit>> m_undo;  // oldest first
    std::vector<std::unique_ptr<CEdit>> m_redo;  // the next to redo last
    std::size_t m_weight = 0;
    std::size_t m_maxWeight;
    std::size_t m_maxEdits;
};
