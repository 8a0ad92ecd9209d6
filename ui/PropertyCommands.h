// The properties command (32776) of the folder tree and of the file list: opens the entry
// properties dialog for the selection and writes its result to the entries.
#pragma once

class CPelorandDoc;
class CPelorandListView;
class CPelorandTreeView;

// For the folder selected in the tree (one-entry mode). Nothing without a selected folder.
void RunTreeProperties(CPelorandDoc& doc, CPelorandTreeView& tree);
// For the rows selected in the list: one row in the one-entry mode, several in the other.
// Nothing without a selected row. The tree's items of the folders follow (the document tells it).
void RunListProperties(CPelorandDoc& doc, CPelorandListView& list);
