// Reading and writing whole collection files. Saving goes through a fresh file beside the
// target that replaces it only once fully written, so a failed save never damages the old file
// and nothing but the target is ever touched.
#pragma once

#include <cstdio>
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

// Writes through a new temporary file in the directory of path and moves it over path. When
// path is a symbolic link, the file it leads to is the one replaced. A read-only file is
// refused. The new file is flushed to the disk before it takes the old one's place (and on
// POSIX systems the directory after the rename), so a power cut leaves the old collection or the
// new one. A target that another program holds for a moment (a sync client, a virus scanner)
// is tried again for about a second.
// On failure error says why and, as a rule, path is untouched and nothing is left beside it.
// The one exception: when the replacing went wrong half-way and left path missing (Windows can
// do that), the new file is moved into place, and if even that fails the old file is put back
// and the new one is kept under a name of its own (on Windows "<name> (保存できなかった内容).plr"
// beside the target, as the user knows the path), which keptAt (when given) receives; it is
// empty otherwise. Where Windows cannot replace a file in one step (a share without full
// control, FAT32, exFAT, WebDAV), the old file is renamed aside and the new one moved in.
bool WriteFileReplacing(const std::string& path, const std::function<void(IByteSink&)>& write,
                        std::string& error, std::string* keptAt = nullptr);

bool WriteCollectionFile(const std::string& path, const CBlock& root, std::string& error);

// Platform part of WriteFileReplacing: finds the file to replace, creates the temporary file
// exclusively (never through an existing name or link), lets write fill it (false with error
// on failure), and replaces the target atomically, keeping its attributes (mode bits, owner,
// read-only flag and the like). The temporary file is gone on every path, exceptions included,
// except when it is the only copy of the saved collection (keptAt above).
bool SaveReplacing(const std::string& path,
                   const std::function<bool(std::FILE* file, std::string& error)>& write,
                   std::string& error, std::string* keptAt = nullptr);

// Platform part: std::fopen of a path as the program keeps it. On Windows the path is CP932
// and the file is opened by its wide name, whatever the system's code page.
std::FILE* OpenStdioFile(const std::string& path, const char* mode);
