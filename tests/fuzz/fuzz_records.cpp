// Feeds arbitrary bytes to the record reader (as a document and below a parent, from a string
// and from a file) and to the token list, then checks that what was read writes and reads
// back to the same bytes; the file line source with tiny buffers must give the lines a
// string gives; the multibyte helpers must keep to their shapes under both rule sets.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "model/Block.h"
#include "model/ByteStream.h"
#include "model/CollectionFile.h"
#include "model/Mbcs.h"
#include "model/RecordReader.h"
#include "model/TokenList.h"
#include "tests/core/LineByLineSource.h"

namespace {

std::string Write(const CBlock& b) {
    CStringSink sink;
    b.WriteRecord(sink);
    return sink.Text();
}

// A new document read from source, with its problems.
CBlock* ReadDocument(ILineSource& source, std::vector<ReadProblem>* problems) {
    CBlock* root = new CBlock;
    root->m_bFolder = 1;
    RecordReadContext context;
    context.ppRoot = &root;
    context.problems = problems;
    ReadRecords(source, nullptr, context);
    return root;
}

std::vector<std::string> Lines(ILineSource& source, bool views) {
    std::vector<std::string> lines;
    std::string line;
    std::string_view view;
    while (views ? source.ReadLineView(view) : source.ReadLine(line)) {
        lines.push_back(views ? std::string(view) : line);
    }
    return lines;
}

void CheckLineSources(const std::string& text, std::size_t bufferSize) {
    CStringLineSource byString(text);
    const std::vector<std::string> want = Lines(byString, false);
    CStringLineSource byStringView(text);
    if (Lines(byStringView, true) != want) std::abort();
    for (bool views : {false, true}) {
        std::FILE* file = std::tmpfile();
        if (!file) return;
        std::fwrite(text.data(), 1, text.size(), file);
        std::rewind(file);
        CFileLineSource byFile(file, bufferSize);
        if (Lines(byFile, views) != want || byFile.Failed()) std::abort();
        std::fclose(file);
    }
}

void CheckMultibyte(const std::string& text) {
    for (bool cp932 : {true, false}) {
        mbcs::SetLeadBytes(cp932 ? mbcs::IsCp932LeadByte : nullptr);
        const std::string name = mbcs::FileName(text);
        if (mbcs::LastComponentStart(text) > text.size()) std::abort();
        if (text.compare(text.size() - name.size(), name.size(), name) != 0) std::abort();
        const std::string ext = mbcs::Extension(text);
        if (name.compare(name.size() - ext.size(), ext.size(), ext) != 0) std::abort();
        if (!ext.empty() && ext[0] != '.') std::abort();
        const std::string lower = mbcs::ToLower(text);
        if (lower.size() != text.size() || mbcs::ToLower(lower) != lower) std::abort();
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (lower[i] != text[i] && !(text[i] >= 'A' && text[i] <= 'Z')) std::abort();
        }
    }
    mbcs::SetLeadBytes(mbcs::IsCp932LeadByte);
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
    RecordCounts counts;
    context.counts = &counts;
    CStringLineSource lines(text);
    ReadRecords(lines, nullptr, context);

    // The size counted while reading is the size of the tree that was left.
    std::vector<CBlock*> folders;
    root->CollectFolders(folders, true);
    long entries = 1;
    for (CBlock* f : folders) entries += f->m_Children.GetCount();
    if (counts.counted && (counts.folders != static_cast<long>(folders.size()) ||
                           counts.files != entries - counts.folders)) {
        std::abort();
    }
    if (!counts.counted && entries != 1) std::abort();

    // Whatever was read must survive its own writer unchanged.
    std::string first = Write(*root);

    // Lines taken straight out of the text read as the same lines split one by one.
    {
        std::vector<ReadProblem> slowProblems;
        CLineByLineSource byLine(text);
        CBlock* slow = ReadDocument(byLine, &slowProblems);
        if (Write(*slow) != first || slowProblems.size() != problems.size()) std::abort();
        for (std::size_t i = 0; i < problems.size(); ++i) {
            if (slowProblems[i].line != problems[i].line ||
                slowProblems[i].reason != problems[i].reason) {
                std::abort();
            }
        }
        delete slow;
    }
    CStringLineSource lines2(first);
    CBlock* again = ReadDocument(lines2, nullptr);
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

    // The same bytes from a file read as from a string.
    static const std::string path = "/tmp/fuzz_records_" + std::to_string(getpid()) + ".plr";
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
        CBlock* fromFile = new CBlock;
        fromFile->m_bFolder = 1;
        RecordReadContext context4;
        context4.ppRoot = &fromFile;
        if (ReadCollectionFile(path, context4, nullptr) != ReadStatus::Ok) std::abort();
        if (Write(*fromFile) != first) std::abort();
        delete fromFile;
        std::remove(path.c_str());
    }

    CheckLineSources(text, size ? 1 + data[0] % 16 : 1);
    CheckMultibyte(text.substr(0, 512));
    return 0;
}
