#include "model/EditHistory.h"

#include <algorithm>
#include <unordered_set>

namespace {

// Frees an entry that no list holds any more, with its subtree (without recursion: the child
// list lets go of deep trees by a chain).
void Free(CBlock* entry) {
    entry->m_pParent = nullptr;
    delete entry;
}

std::size_t CountSubtree(const CBlock& top) {
    std::size_t count = 0;
    std::vector<const CBlock*> pending{&top};
    while (!pending.empty()) {
        const CBlock* entry = pending.back();
        pending.pop_back();
        ++count;
        for (int i = entry->m_Children.GetCount() - 1; i >= 0; --i) {
            pending.push_back(entry->m_Children.GetAtIndex(i));
        }
    }
    return count;
}

}  // namespace

// ---- CInsertEdit ----

CInsertEdit::CInsertEdit(CBlock& folder, int first) : m_folder(folder), m_first(first) {
    for (int i = std::max(first, 0); i < folder.m_Children.GetCount(); ++i) {
        m_entries.push_back(folder.m_Children.GetAtIndex(i));
    }
}

CInsertEdit::~CInsertEdit() {
    if (m_bOut) {
        for (CBlock* entry : m_entries) Free(entry);
    }
}

void CInsertEdit::Undo(IEditListener& listener) {
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
        listener.EntryRemoving(**it);
        m_folder.m_Children.Detach(*it);
    }
    m_bOut = true;
    listener.EntriesInserted(m_folder);  // the folder's list changed: its count and its rows
}

void CInsertEdit::Redo(IEditListener& listener) {
    int index = m_first;
    for (CBlock* entry : m_entries) {
        entry->m_pParent = &m_folder;
        m_folder.m_Children.InsertAt(index++, entry);
    }
    m_bOut = false;
    listener.EntriesInserted(m_folder);
}

// ---- CRemoveEdit ----

CRemoveEdit::CRemoveEdit(const std::vector<CBlock*>& entries, IEditListener& listener) {
    // The root never goes, so it takes nothing with it either.
    std::unordered_set<const CBlock*> chosen;
    for (const CBlock* entry : entries) {
        if (entry && entry->m_pParent) chosen.insert(entry);
    }
    std::unordered_set<const CBlock*> taken;
    for (CBlock* entry : entries) {
        if (!entry || !entry->m_pParent) continue;  // the root stays
        bool below = false;
        for (const CBlock* up = entry->m_pParent; up && !below; up = up->m_pParent) {
            below = chosen.count(up) != 0;
        }
        // Taken out with the one above it; and an entry named twice goes once.
        if (below || !taken.insert(entry).second) continue;
        m_removed.push_back(Removed{entry, entry->m_pParent, 0});
        m_weight += CountSubtree(*entry);
    }
    Remove(listener);
}

CRemoveEdit::~CRemoveEdit() {
    if (m_bOut) {
        for (const Removed& removed : m_removed) Free(removed.entry);
    }
}

void CRemoveEdit::Remove(IEditListener& listener) {
    for (Removed& removed : m_removed) {
        listener.EntryRemoving(*removed.entry);
        removed.index = removed.parent->m_Children.IndexOf(removed.entry);
        removed.parent->m_Children.Detach(removed.entry);
    }
    m_bOut = true;
}

void CRemoveEdit::Undo(IEditListener& listener) {
    // In the reverse order of the removal, each goes back to the index it left.
    for (auto it = m_removed.rbegin(); it != m_removed.rend(); ++it) {
        it->entry->m_pParent = it->parent;
        it->parent->m_Children.InsertAt(it->index, it->entry);
    }
    m_bOut = false;
    for (auto it = m_removed.rbegin(); it != m_removed.rend(); ++it) {
        listener.EntriesInserted(*it->parent);
    }
}

void CRemoveEdit::Redo(IEditListener& listener) {
    Remove(listener);
}

// ---- CPropertiesEdit ----

CPropertiesEdit::CPropertiesEdit(const std::vector<CBlock*>& entries, bool deep) {
    for (CBlock* top : entries) {
        if (!top) continue;
        m_items.push_back(Item{top, top->TakeSnapshot(), {}, true, top->GetName(), {}});
        if (!deep) continue;
        std::vector<CBlock*> pending;
        for (int i = top->m_Children.GetCount() - 1; i >= 0; --i) {
            pending.push_back(top->m_Children.GetAtIndex(i));
        }
        while (!pending.empty()) {
            CBlock* entry = pending.back();
            pending.pop_back();
            m_items.push_back(Item{entry, entry->TakeSnapshot(), {}, false, {}, {}});
            for (int i = entry->m_Children.GetCount() - 1; i >= 0; --i) {
                pending.push_back(entry->m_Children.GetAtIndex(i));
            }
        }
    }
}

CPropertiesEdit::~CPropertiesEdit() {
    for (const Item& item : m_items) {
        CBlock::ReleaseSnapshot(item.before);
        CBlock::ReleaseSnapshot(item.after);
    }
}

bool CPropertiesEdit::Finish() {
    std::vector<Item> kept;
    for (Item& item : m_items) {
        item.after = item.entry->TakeSnapshot();
        if (item.named) item.nameAfter = item.entry->GetName();
        const bool same = item.before.texts == item.after.texts &&
                          item.before.priority == item.after.priority &&
                          item.before.inherit == item.after.inherit &&
                          item.before.changerEnabled == item.after.changerEnabled &&
                          item.nameBefore == item.nameAfter;
        if (same) {
            CBlock::ReleaseSnapshot(item.before);
            CBlock::ReleaseSnapshot(item.after);
        } else {
            kept.push_back(std::move(item));
        }
    }
    m_items = std::move(kept);
    m_items.shrink_to_fit();
    return !m_items.empty();
}

void CPropertiesEdit::Apply(bool after, IEditListener& listener) {
    for (const Item& item : m_items) {
        item.entry->RestoreSnapshot(after ? item.after : item.before);
        const std::string& name = after ? item.nameAfter : item.nameBefore;
        if (item.nameBefore != item.nameAfter) item.entry->m_strName = name;
    }
    for (const Item& item : m_items) listener.EntryChanged(*item.entry);
}

void CPropertiesEdit::Undo(IEditListener& listener) {
    Apply(false, listener);
}

void CPropertiesEdit::Redo(IEditListener& listener) {
    Apply(true, listener);
}

// ---- CEditGroup ----

void CEditGroup::Undo(IEditListener& listener) {
    for (auto it = m_edits.rbegin(); it != m_edits.rend(); ++it) (*it)->Undo(listener);
}

void CEditGroup::Redo(IEditListener& listener) {
    for (auto& edit : m_edits) edit->Redo(listener);
}

std::size_t CEditGroup::Weight() const {
    std::size_t weight = 0;
    for (const auto& edit : m_edits) weight += edit->Weight();
    return weight;
}

// ---- CEditHistory ----

void CEditHistory::Add(std::unique_ptr<CEdit> edit) {
    if (!edit) return;
    for (const auto& undone : m_redo) m_weight -= undone->Weight();
    // Newest first: an undone insert frees what it took out, which nothing older names.
    while (!m_redo.empty()) m_redo.pop_back();
    m_weight += edit->Weight();
    m_undo.push_back(std::move(edit));
    Trim();
}

void CEditHistory::Undo(IEditListener& listener) {
    if (m_undo.empty()) return;
    std::unique_ptr<CEdit> edit = std::move(m_undo.back());
    m_undo.pop_back();
    edit->Undo(listener);
    m_redo.push_back(std::move(edit));
}

void CEditHistory::Redo(IEditListener& listener) {
    if (m_redo.empty()) return;
    std::unique_ptr<CEdit> edit = std::move(m_redo.back());
    m_redo.pop_back();
    edit->Redo(listener);
    m_undo.push_back(std::move(edit));
}

void CEditHistory::Clear() {
    while (!m_redo.empty()) m_redo.pop_back();
    while (!m_undo.empty()) m_undo.pop_back();
    m_weight = 0;
}

void CEditHistory::Trim() {
    // The oldest edit is done: what it holds out of the tree nothing newer can name.
    std::size_t drop = 0;
    while (m_undo.size() - drop > 1 &&
           (m_weight > m_maxWeight || m_undo.size() - drop > m_maxEdits)) {
        m_weight -= m_undo[drop]->Weight();
        m_undo[drop].reset();
        ++drop;
    }
    if (drop) m_undo.erase(m_undo.begin(), m_undo.begin() + static_cast<std::ptrdiff_t>(drop));
}
