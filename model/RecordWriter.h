// The writing side of the collection file format: one FILE{ ... }FILE block per folder, one
// DATA line per file entry, every line ending in CR LF.
#pragma once

#include <string>

class CBlock;
class IByteSink;

// Writes block and its subtree.
void WriteRecords(const CBlock& block, IByteSink& sink);

// Appends the NAME or DATA line of one entry (CR LF included).
void AppendEntryLine(std::string& out, const CBlock& block);

// A seventh field with this text marks a line whose text fields carry line breaks as "/r" and
// "/n" and a slash as "//". Lines without line breaks are written exactly as they always were.
extern const char kEscapedLineMark[];
