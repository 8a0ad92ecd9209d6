#include "model/PropertyChange.h"

#include "model/Block.h"

namespace {
bool IsPriorityLevel(int value) {
    return value >= 0 && value <= 4;
}
}  // namespace

void ApplyPropertyChange(CBlock& entry, const PropertyChange& change) {
    // No level chosen (several entries, list left empty) keeps each entry's own level: the
    // changer weighs by it and the list has no label for anything but 0 to 4.
    const bool priority = change.updatePriority && IsPriorityLevel(change.priority);
    if (change.storeName) entry.m_strName = change.name;
    if (priority) entry.m_nPriority = static_cast<short>(change.priority);
    if (change.updateAuthor) entry.SetAuthor(change.author);
    if (change.updateComment) entry.SetComment(change.comment);
    if (change.updateInherit) entry.m_bInherit = change.inherit != 0 ? 1 : 0;
    if (change.updateChanger) entry.m_bChangerEnabled = change.changerEnabled != 0 ? 1 : 0;
    if (!entry.m_bFolder) return;
    if (change.subfolders) {
        entry.ApplyProperties(entry, priority, change.updateAuthor, change.updateComment,
                              change.updateInherit, change.updateChanger);
    }
}
