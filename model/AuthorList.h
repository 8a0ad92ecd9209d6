// The user's list of author names in the settings (section Option\Creater): CreaterCount slots
// named "Creater%04d"; a slot whose value is empty is no author, slots at or above the count
// are not read. Reading stops at the first slot not stored at all: a count beyond the names
// stored is damaged, and the list is what its names are.
#pragma once

#include <string>
#include <vector>

class CSettings;

// The authors in slot order, empty slots left out.
std::vector<std::string> ReadAuthors(const CSettings& settings);
// Writes name into the slot at the current count and raises the count by one. The name is
// stored as typed: an empty name takes a slot that every reader skips.
void AppendAuthor(CSettings& settings, const std::string& name);
// Writes names into slots 0 to n - 1 and the count n. Slots above are left as they are: they
// lie beyond the count and are never read.
void StoreAuthors(CSettings& settings, const std::vector<std::string>& names);
