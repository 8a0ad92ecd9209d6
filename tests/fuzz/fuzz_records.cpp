// Feeds arbitrary bytes to the record reader (as a document and below a parent) and to the
// token list, then checks that what was read writes and reads back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "model/Block.h"
#include "model/ByteStream.h"
#include "model/RecordReader.h"
#include "model/TokenList.h"

namespace {

std::string Write(const CBlock& b) {
    CStringSink sink;
    b.WriteRecord(sink);
    return sink.Text();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);

    std::string source = text.substr(0, 4096);
    CTokenList tokens(source);
    if (tokens.GetCount() < 1) std::abort();

    CBlock* root = new CBlock;
    root->m_bFolder = 1;
    RecordReadContext context;
    context.ppRoot = &root;
    std::vector<ReadProblem> problems;
    context.problems = &problems;
    CStringLineSource lines(text);
    ReadRecords(lines, nullptr, context);

    // Whatever was read must survive its own writer unchanged.
    std::string first = Write(*root);
    CBlock* again = new CBlock;
    again->m_bFolder = 1;
    RecordReadContext context2;
    context2.ppRoot = &again;
    CStringLineSource lines2(first);
    ReadRecords(lines2, nullptr, context2);
    if (Write(*again) != first) std::abort();
    delete again;

    // Reading under a parent never replaces the root.
    CBlock* before = root;
    RecordReadContext under;
    under.ppRoot = &root;
    CStringLineSource lines3(text);
    ReadRecords(lines3, root, under);
    if (root != before) std::abort();
    delete root;
    return 0;
}
