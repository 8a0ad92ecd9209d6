#include "ui/PropertyCommands.h"

#include <vector>

#include "doc/PelorandDoc.h"
#include "model/Block.h"
#include "model/PropertyChange.h"
#include "ui/PropertyDlg.h"
#include "views/PelorandListView.h"
#include "views/PelorandTreeView.h"

namespace {

// The list is rebuilt from the folder selected in the tree.
void RefreshList(CPelorandDoc& doc) {
    doc.ShowFolder(doc.SelectedFolder());
}

}  // namespace

void RunTreeProperties(CPelorandDoc& doc, CPelorandTreeView& tree) {
    CBlock* folder = tree.GetSelectedFolder();
    if (!folder) return;
    CPropertyDlg dialog(doc.Settings());
    dialog.m_pBlock = folder;
    if (dialog.DoModal() != IDOK) return;
    // The tree stores the name as the list does: the field is offered for editing there too.
    doc.ChangeProperties({folder}, dialog.GetChange(true));
    RefreshList(doc);
}

void RunListProperties(CPelorandDoc& doc, CPelorandListView& list) {
    std::vector<CBlock*> entries = list.GetSelectedEntries();
    if (entries.empty()) return;
    CPropertyDlg dialog(doc.Settings());
    if (entries.size() == 1) dialog.m_pBlock = entries.front();
    if (dialog.DoModal() != IDOK) return;
    doc.ChangeProperties(entries, dialog.GetChange(entries.size() == 1));
    RefreshList(doc);
}
