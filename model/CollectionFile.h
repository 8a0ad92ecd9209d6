// Reading and writing whole collection files. Saving goes through a file beside the target
// that replaces it only once fully written, so a failed save never damages the old file.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/RecordReader.h"

class CBlock;
class IByteSink;

enum class ReadStatus { Ok, CannotOpen, ReadError };

// Reads the file at path as the editor opens a document (parent null: the file's first folder
// replaces *ppRoot) or below parent (as the changer loads its private copy).
ReadStatus ReadCollectionFile(const std::string& path, RecordReadContext& context, CBlock* parent);

// Writes through "<path>.tmp" and renames it over path. On failure path is untouched and
// error says why.
bool WriteFileReplacing(const std::string& path, const std::function<void(IByteSink&)>& write,
                        std::string& error);

bool WriteCollectionFile(const std::string& path, const CBlock& root, std::string& error);

// Platform part: moves source over target, replacing it. Implemented per platform.
bool ReplaceFileWith(const std::string& source, const std::string& target);
