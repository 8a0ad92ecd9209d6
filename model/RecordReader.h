// The reading side of the collection file format.
#pragma once

#include <string>
#include <vector>


class CBlock;
class ILineSource;

// A record the reader skipped or could not place, for reports such as `plr check`.
struct ReadProblem {
    long line;           // 1-based line number; for end-of-data notes, one past the last line
    std::string reason;  // plain ASCII text
};

// The size of a collection read as a whole document, counted while its entries were placed.
struct RecordCounts {
    bool counted = false;  // false when the text held no top-level folder
    long folders = 0;      // the top-level folder among them
    long files = 0;
};

struct RecordReadContext {
    // The document's root. Reading without a parent, a top-level "FILE{" destroys it and takes
    // its place. Never touched while reading under a parent.
    CBlock** ppRoot = nullptr;
    // When given, receives what was skipped.
    std::vector<ReadProblem>* problems = nullptr;
    // When given and reading without a parent, receives the size of the collection left at
    // *ppRoot (no walk over a large tree afterwards).
    RecordCounts* counts = nullptr;
};

// Reads records until the source is exhausted. With parent null the records make up a whole
// document; otherwise they are added below parent. Damaged text is skipped, never fatal.
void ReadRecords(ILineSource& source, CBlock* parent, RecordReadContext& context);
