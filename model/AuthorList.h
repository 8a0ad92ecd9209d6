// The user's list of author names in the settings (section Option\Creater): CreaterCount slots
// named "Creater%04d"; a slot whose value is empty is no author, slots at or above the count
// are not read. Reading stops at the first slot not stored at all: a count beyond the names
// stored is damaged, and the list is what its names are.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CSettings;

// How many authors the dialogs list: more than anyone picks from, and each one read costs
// the settings store a look-up (a stored count of millions would freeze the dialog).
constexpr std::size_t kShownAuthors = 1000;

// The authors in slot order, empty slots left out; reading stops after limit names.
std::vector<std::string> ReadAuthors(const CSettings& settings,
                                     std::size_t limit = static_cast<std::size_t>(-1));
// Takes the first author named name out of the list, the later ones moving up a slot; the
// authors a dialog does not list stay. False when no author has that name.
bool RemoveAuthor(CSettings& settings, const std::string& name);
// Writes name into the slot at the current count and raises the count by one. The name is
// stored as typed: an empty name takes a slot that every reader skips.
void AppendAuthor(CSettings& settings, const std::string& name);
// Writes names into slots 0 to n - 1 and the count n. Slots above are left as they are: they
// lie beyond the count and are never read.
void StoreAuthors(CSettings& settings, const std::vector<std::string>& names);
