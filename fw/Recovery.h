// Recovery copies: the unsaved edits of a document, written when Windows ends the session
// without waiting for an answer, and offered back at the next start that opens the document.
#pragma once

#include <string>

class CDocument;

// The copy of the document at docPath in folder: named after the full path (its file name and
// a hash of the path, compared as the file system compares names); an untitled document has
// one name of its own. Empty when folder is.
std::string RecoveryCopyPath(const std::string& folder, const std::string& docPath);

// Writes doc's contents to its copy in folder (made if need be), safely as a save does, never
// over the document's own file. copyPath receives where; false with error when it failed.
bool WriteRecoveryCopy(CDocument& doc, const std::string& folder, std::string& copyPath,
                       std::string& error);

// The program's own folder for them under the user's local application data
// ("<local app data>\<program>\Recovery"). Empty when the system names none.
std::string DefaultRecoveryFolder(const std::string& program);
