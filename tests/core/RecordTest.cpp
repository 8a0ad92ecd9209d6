#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "model/Block.h"
#include "model/ByteStream.h"
#include "model/CollectionFile.h"
#include "model/RecordReader.h"
#include "model/RecordWriter.h"
#include "tests/core/LineByLineSource.h"

namespace {

std::string Write(const CBlock& b) {
    CStringSink sink;
    b.WriteRecord(sink);
    return sink.Text();
}

// Reads text as a whole document, starting from a fresh "Pelorand" root.
struct Doc {
    explicit Doc(const std::string& text) {
        root = new CBlock;
        root->m_bFolder = 1;
        root->m_strName = "Pelorand";
        RecordReadContext context;
        context.ppRoot = &root;
        context.problems = &problems;
        context.counts = &counts;
        CStringLineSource source(text);
        ReadRecords(source, nullptr, context);
    }
    ~Doc() { delete root; }
    CBlock* root;
    std::vector<ReadProblem> problems;
    RecordCounts counts;
};

CBlock* NewFolder(CBlock* parent, const std::string& name) {
    CBlock* b = new CBlock;
    b->m_bFolder = 1;
    b->m_strName = name;
    b->m_pParent = parent;
    if (parent) parent->m_Children.AddTail(b);
    return b;
}

CBlock* NewFile(CBlock* parent, const std::string& path) {
    CBlock* b = NewFolder(parent, path);
    b->m_bFolder = 0;
    return b;
}

}  // namespace

TEST(RecordWriter, NewCollectionIsExactlyThreeLines) {
    CBlock root;
    root.m_bFolder = 1;
    root.m_strName = "Pelorand";
    EXPECT_EQ(Write(root),
              "FILE{\r\nNAME\t\"Pelorand\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n}FILE\r\n");
}

TEST(RecordWriter, NestedBlocksInChildOrder) {
    std::unique_ptr<CBlock> root(NewFolder(nullptr, "R"));
    CBlock* f = NewFolder(root.get(), "F");
    CBlock* p = NewFile(f, "C:\\壁紙\\表示.JPG");
    p->m_nPriority = -3;
    p->m_bInherit = 1;
    p->m_bChangerEnabled = 0;
    NewFile(root.get(), "C:\\a, b.bmp");
    EXPECT_EQ(Write(*root),
              "FILE{\r\nNAME\t\"R\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n"
              "FILE{\r\nNAME\t\"F\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n"
              "DATA\t\"C:\\壁紙\\表示.JPG\",\"-3\",\"?\",\"?\",\"1\",\"0\"\r\n"
              "}FILE\r\n"
              "DATA\t\"C:\\a, b.bmp\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n"
              "}FILE\r\n");
    // A file entry alone is its DATA line; copying twice gives the same bytes.
    EXPECT_EQ(Write(*p), "DATA\t\"C:\\壁紙\\表示.JPG\",\"-3\",\"?\",\"?\",\"1\",\"0\"\r\n");
}

TEST(RecordWriter, NameQuoteIsEscapedWithSlash) {
    CBlock f;
    f.m_bFolder = 1;
    f.m_strName = "a\"b";
    EXPECT_NE(Write(f).find("NAME\t\"a/\"b\""), std::string::npos);
}

// Values that the old plain writer could not keep: they must read back as written.
class RoundTrip : public ::testing::TestWithParam<std::string> {};

TEST_P(RoundTrip, AuthorCommentNameAndPathSurvive) {
    const std::string value = GetParam();
    std::unique_ptr<CBlock> root(NewFolder(nullptr, value));
    root->SetTexts(value, value, nullptr);
    CBlock* file = NewFile(root.get(), value);
    file->SetTexts(value, "after", nullptr);
    file->m_nPriority = 4;
    file->m_bInherit = 1;
    CBlock* sub = NewFolder(root.get(), "sub");
    sub->SetTexts("", value, nullptr);
    sub->m_bChangerEnabled = 0;

    Doc doc(Write(*root));
    EXPECT_TRUE(doc.problems.empty());
    ASSERT_EQ(doc.root->m_Children.GetCount(), 2);
    EXPECT_EQ(doc.root->m_strName, value);
    EXPECT_EQ(doc.root->GetAuthor(), value);
    EXPECT_EQ(doc.root->GetComment(), value);
    CBlock* f = doc.root->m_Children.GetAtIndex(0);
    EXPECT_EQ(f->m_strName, value);
    EXPECT_EQ(f->GetAuthor(), value);
    EXPECT_EQ(f->GetComment(), "after");
    EXPECT_EQ(f->m_nPriority, 4);
    EXPECT_EQ(f->m_bInherit, 1);
    EXPECT_EQ(f->m_bChangerEnabled, 1);
    CBlock* s = doc.root->m_Children.GetAtIndex(1);
    EXPECT_EQ(s->GetAuthor(), "");
    EXPECT_EQ(s->GetComment(), value);
    EXPECT_EQ(s->m_bChangerEnabled, 0);
    // Writing what was read gives the same bytes again.
    EXPECT_EQ(Write(*doc.root), Write(*root));
}

INSTANTIATE_TEST_SUITE_P(Values, RoundTrip,
                         ::testing::Values("plain", "", "say \"hi\"", "\"", "ends with slash/", "/",
                                           "//", "a/\"b", "two\r\nlines", "lf\nonly", "cr\ronly",
                                           "slash / and\nbreak/", "/n literal", "trailing\r\n",
                                           "C:\\壁紙\\表示.JPG", "ソフト\\", "a, b\tc",
                                           "\"quoted/\""));

// Whether a text needs escaping is seen in a word or two at a time: a quote or a line break
// at any place of a short text, in a file's name, an author or a comment, and one among
// bytes that look like them, still comes back as it was.
TEST(RecordWriter, AQuoteOrLineBreakAnywhereInAShortTextComesBack) {
    std::unique_ptr<CBlock> root(NewFolder(nullptr, "R"));
    std::vector<std::string> values;
    for (std::size_t n = 1; n <= 18; ++n) {
        for (std::size_t at = 0; at < n; ++at) {
            for (char c : {'"', '\n', '\r', '\xA2', '\x8A'}) {
                std::string value(n, 'a');
                value[at] = c;
                values.push_back(value);
            }
        }
    }
    for (const std::string& value : values) {
        CBlock* file = NewFile(root.get(), "C:\\walls\\" + value);
        file->SetTexts(value, "?", nullptr);
        CBlock* other = NewFile(root.get(), "C:\\walls\\x.jpg");
        other->SetTexts("?", value, nullptr);
    }
    Doc doc(Write(*root));
    EXPECT_TRUE(doc.problems.empty());
    ASSERT_EQ(doc.root->m_Children.GetCount(), static_cast<int>(2 * values.size()));
    for (std::size_t i = 0; i < values.size(); ++i) {
        const CBlock* file = doc.root->m_Children.GetAtIndex(static_cast<int>(2 * i));
        const CBlock* other = doc.root->m_Children.GetAtIndex(static_cast<int>(2 * i + 1));
        ASSERT_EQ(file->GetName(), "C:\\walls\\" + values[i]) << i;
        ASSERT_EQ(file->Author(), values[i]) << i;
        ASSERT_EQ(other->Comment(), values[i]) << i;
    }
}

TEST(RecordWriter, EntriesTakingTurnsAmongManyTextsKeepEachOwn) {
    // More pairs than are remembered, met again and again in turns: the same author with
    // comments that need escapes and some that do not, and the other way round.
    const char* const kinds[] = {"plain", "a \"quote\"", "two\nlines", "ends in /", "cr\r"};
    std::vector<std::pair<std::string, std::string>> pairs;
    for (int n = 0; n < 40; ++n) {
        for (const char* kind : kinds) {
            pairs.emplace_back("artist " + std::to_string(n % 8), std::to_string(n) + kind);
            pairs.emplace_back(std::to_string(n) + kind, n % 2 ? "?" : "seen");
        }
    }
    std::unique_ptr<CBlock> root(NewFolder(nullptr, "R"));
    for (int round = 0; round < 3; ++round) {
        for (std::size_t i = 0; i < pairs.size(); i += 1 + round) {
            CBlock* file = NewFile(root.get(), "C:\\walls\\" + std::to_string(i) + ".jpg");
            file->SetTexts(pairs[i].first, pairs[i].second, nullptr);
        }
    }
    const std::string text = Write(*root);
    Doc doc(text);
    EXPECT_TRUE(doc.problems.empty());
    ASSERT_EQ(doc.root->m_Children.GetCount(), root->m_Children.GetCount());
    for (int i = 0; i < root->m_Children.GetCount(); ++i) {
        const CBlock* want = root->m_Children.GetAtIndex(i);
        const CBlock* got = doc.root->m_Children.GetAtIndex(i);
        ASSERT_EQ(got->Author(), want->Author()) << i;
        ASSERT_EQ(got->Comment(), want->Comment()) << i;
    }
    EXPECT_EQ(Write(*doc.root), text);
}

TEST(RecordReader, OldWriterFilesReadAsBefore) {
    // LF only, a missing trailing line end, junk before the first folder.
    Doc doc(
        "junk line\nNAME\t\"early\"\nFILE{\nNAME\t\"R\",\"1\",\"me\",\"c\",\"1\",\"0\"\n"
        "DATA\t\"C:\\x.bmp\"\n}FILE");
    EXPECT_EQ(doc.root->m_strName, "R");
    EXPECT_EQ(doc.root->m_nPriority, 1);
    EXPECT_EQ(doc.root->GetAuthor(), "me");
    EXPECT_EQ(doc.root->m_bInherit, 1);
    EXPECT_EQ(doc.root->m_bChangerEnabled, 0);
    ASSERT_EQ(doc.root->m_Children.GetCount(), 1);
    CBlock* f = doc.root->m_Children.GetAtIndex(0);
    // A DATA line with only a path: priority 0, empty texts, flags 0.
    EXPECT_EQ(f->m_nPriority, 0);
    EXPECT_EQ(f->GetAuthor(), "");
    EXPECT_EQ(f->GetComment(), "");
    EXPECT_EQ(f->m_bChangerEnabled, 0);
    EXPECT_EQ(f->m_pParent, doc.root);
}

TEST(RecordReader, CrLfAndLfReadTheSame) {
    std::string crlf =
        "FILE{\r\nNAME\t\"R\",\"3\",\"a\",\"b\",\"0\",\"1\"\r\nDATA\t\"p "
        "q\",\"0\",\"x\",\"y\",\"1\",\"1\"\r\n}FILE\r\n";
    std::string lf = crlf;
    for (std::size_t i; (i = lf.find('\r')) != std::string::npos;) lf.erase(i, 1);
    Doc a(crlf), b(lf);
    EXPECT_EQ(Write(*a.root), Write(*b.root));
    EXPECT_EQ(Write(*a.root), crlf);
}

TEST(RecordReader, SecondTopLevelBlockBecomesTheRoot) {
    Doc doc("FILE{\nNAME\t\"first\"\n}FILE\nFILE{\nNAME\t\"second\"\nFILE{\n}FILE\n}FILE\n");
    EXPECT_EQ(doc.root->m_strName, "second");
    EXPECT_EQ(doc.root->m_Children.GetCount(), 1);
    EXPECT_EQ(doc.problems.size(), 1u);
}

TEST(RecordReader, CountsAreTheSizeOfTheTreeLeft) {
    // Entries of a replaced collection, names and skipped records count for nothing.
    Doc replaced(
        "FILE{\nDATA\t\"a\"\nFILE{\n}FILE\n}FILE\nDATA\t\"lost\"\nFILE{\nNAME\t\"R\"\n"
        "DATA\t\"b\"\nFILE{\nNAME\t\"S\"\nDATA\t\"c\"\nFILE{\n}FILE\n}FILE\n}FILE\n}FILE\n");
    ASSERT_TRUE(replaced.counts.counted);
    EXPECT_EQ(replaced.counts.folders, 3);
    EXPECT_EQ(replaced.counts.files, 2);
    // An unclosed folder still belongs to the collection.
    Doc unclosed("FILE{\nFILE{\nDATA\t\"f\"\n");
    EXPECT_EQ(unclosed.counts.folders, 2);
    EXPECT_EQ(unclosed.counts.files, 1);
    // Without a top-level folder the root given is still the document, and nothing is counted.
    Doc none("DATA\t\"x\"\n}FILE\n");
    EXPECT_FALSE(none.counts.counted);
}

TEST(RecordReader, PriorityIsSixteenBitsAndExtraTokensIgnored) {
    Doc doc("FILE{\nNAME\t\"R\",\"70000\",\"a\",\"b\",\"5\",\"-1\",\"extra\",\"more\"\n}FILE\n");
    EXPECT_EQ(doc.root->m_nPriority, static_cast<short>(70000));
    EXPECT_EQ(doc.root->m_bInherit, 1);
    EXPECT_EQ(doc.root->m_bChangerEnabled, 1);
}

TEST(RecordReader, DamagedTextIsSkippedAndReported) {
    Doc doc(
        "}FILE\nDATA\t\"lost\"\nFILE{\nNAME\t\"R\"\n}FILE\n}FILE\nDATA\t\"after\"\nNAME\t\"x\"\n");
    EXPECT_EQ(doc.root->m_strName, "R");
    EXPECT_EQ(doc.root->m_Children.GetCount(), 0);
    ASSERT_EQ(doc.problems.size(), 5u);
    EXPECT_EQ(doc.problems[0].line, 1);
    EXPECT_EQ(doc.problems[1].line, 2);
    EXPECT_EQ(doc.problems[2].line, 6);
    EXPECT_EQ(doc.problems[4].line, 8);
}

TEST(RecordReader, UnclosedBlockStillBelongs) {
    Doc doc("FILE{\nNAME\t\"R\"\nFILE{\nNAME\t\"S\"\nDATA\t\"f\"\n");
    ASSERT_EQ(doc.root->m_Children.GetCount(), 1);
    EXPECT_EQ(doc.root->m_Children.GetAtIndex(0)->m_Children.GetCount(), 1);
    ASSERT_EQ(doc.problems.size(), 1u);
    EXPECT_EQ(doc.problems[0].line, 6);
}

TEST(RecordReader, ReadingUnderAParentNeverTouchesTheRoot) {
    std::unique_ptr<CBlock> root(NewFolder(nullptr, "root"));
    CBlock* target = NewFolder(root.get(), "T");
    NewFile(target, "existing");
    CBlock* docRoot = root.get();
    RecordReadContext context;
    context.ppRoot = &docRoot;
    std::vector<ReadProblem> problems;
    context.problems = &problems;
    // The transfer text of a folder F with one file, and a file G; then damage: two extra
    // closings that would leave the target, and a further folder block.
    CStringLineSource source(
        "FILE{\r\nNAME\t\"F\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\nDATA\t\"f1\",\"2\",\"?\",\"?\","
        "\"0\",\"1\"\r\n}FILE\r\n"
        "DATA\t\"G\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n}FILE\r\n}FILE\r\nFILE{\r\nNAME\t\"H\"\r\n");
    ReadRecords(source, target, context);
    EXPECT_EQ(docRoot, root.get());
    ASSERT_EQ(target->m_Children.GetCount(), 4);
    CBlock* F = target->m_Children.GetAtIndex(1);
    EXPECT_EQ(F->m_strName, "F");
    EXPECT_EQ(F->m_pParent, target);
    EXPECT_EQ(F->m_Children.GetCount(), 1);
    EXPECT_EQ(target->m_Children.GetAtIndex(2)->m_strName, "G");
    EXPECT_EQ(target->m_Children.GetAtIndex(3)->m_strName, "H");
    EXPECT_EQ(problems.size(), 3u);  // two stray closings and the unclosed H
}

TEST(RecordReader, StrayNameNeverRenamesTheFolderReadInto) {
    CBlock root;
    root.m_bFolder = 1;
    root.m_strName = "target";
    RecordReadContext context;
    std::vector<ReadProblem> problems;
    context.problems = &problems;
    CStringLineSource source("NAME\t\"stray\",\"0\",\"a\",\"b\",\"1\",\"0\"\nDATA\t\"f\"\n");
    ReadRecords(source, &root, context);
    EXPECT_EQ(root.m_strName, "target");
    EXPECT_EQ(root.m_bChangerEnabled, 1);
    EXPECT_EQ(root.m_nPriority, 2);
    EXPECT_EQ(root.m_Children.GetCount(), 1);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].line, 1);
}

TEST(RecordReader, OldLineWithExtraTokensIsNotTakenForAnEscapedOne) {
    // An old writer left quotes in a comment unescaped, pushing "esc" into the seventh field.
    Doc doc(
        "FILE{\nDATA\t\"C:/new/"
        "run.jpg\",\"2\",\"a\",\"b\",\"c\",\"d\",\"esc\",\"0\",\"1\"\n}FILE\n");
    ASSERT_EQ(doc.root->m_Children.GetCount(), 1);
    EXPECT_EQ(doc.root->m_Children.GetAtIndex(0)->m_strName, "C:/new/run.jpg");
}

TEST(RecordReader, TopLevelFolderWithNowhereToGoIsDropped) {
    RecordReadContext context;  // neither a document root nor a parent
    std::vector<ReadProblem> problems;
    context.problems = &problems;
    CStringLineSource source("FILE{\nNAME\t\"x\"\nDATA\t\"f\"\n}FILE\nDATA\t\"g\"\n");
    ReadRecords(source, nullptr, context);
    EXPECT_EQ(problems.size(), 2u);  // the folder, and the DATA after it
}

TEST(RecordReader, MillionDeepFileReadWrittenAndFreed) {
    std::string text;
    text.reserve(7 * 1000000);
    for (int i = 0; i < 1000000; ++i) text += "FILE{\n";
    Doc doc(text);
    std::vector<CBlock*> folders;
    doc.root->CollectFolders(folders, true);
    EXPECT_EQ(folders.size(), 1000000u);
    EXPECT_EQ(folders.back()->m_strName, "");
    std::string written = Write(*doc.root);
    EXPECT_EQ(written.size(), 1000000u * (7 + 29 + 7));
}

namespace {

// What reading text leaves: the collection written back, then the problems, one a line.
std::string ReadBack(ILineSource& source) {
    CBlock* root = new CBlock;
    root->m_bFolder = 1;
    std::vector<ReadProblem> problems;
    RecordCounts counts;
    RecordReadContext context;
    context.ppRoot = &root;
    context.problems = &problems;
    context.counts = &counts;
    ReadRecords(source, nullptr, context);
    std::string out = Write(*root);
    delete root;
    for (const ReadProblem& p : problems) out += std::to_string(p.line) + " " + p.reason + "\n";
    out += std::to_string(counts.folders) + " " + std::to_string(counts.files) + "\n";
    return out;
}

}  // namespace

TEST(RecordReader, LinesTakenFromTheBufferReadAsLinesReadOneByOne) {
    // Lines of the writer's forms and their near misses, each of which must read exactly as
    // the general splitting reads it.
    const std::vector<std::string> lines = {
        "FILE{", "}FILE", "FILE{ ", "FILE{\r", " }FILE", "FILE",
        "NAME\t\"R\",\"2\",\"?\",\"?\",\"0\",\"1\"",
        "DATA\t\"C:\\w\\a.jpg\",\"1\",\"?\",\"?\",\"0\",\"1\"",
        "DATA\t\"C:\\w\\b.jpg\",\"3\",\"artist\",\"a comment\",\"1\",\"0\"",
        // Texts of their own, the same as the line before or not: such lines are made a few
        // lines after they are taken, in the order they came.
        "DATA\t\"C:\\w\\c.jpg\",\"2\",\"artist\",\"?\",\"0\",\"1\"",
        "DATA\t\"C:\\w\\d.jpg\",\"2\",\"other\",\"?\",\"0\",\"1\"",
        "NAME\t\"S\",\"4\",\"who\",\"what\",\"0\",\"1\"",
        "DATA\t\"C:\\w\\e.jpg\",\"1\",\"a/\",\"?\",\"0\",\"1\"",
        "DATA\t\"C:\\w\\f.jpg\",\"1\",\" x\",\"?\",\"0\",\"1\"",
        "DATA\t\"C:\\w\\g.jpg\",\"1\",\"\",\"?\",\"0\",\"a\"",
        "DATA\t\"\",\"\",\"\",\"\",\"\",\"\"",
        "DATA\t\"a/\"b\",\"1\",\"?\",\"?\",\"0\",\"1\"",
        "DATA\t\"a/\",\"1\",\"?\",\"?\",\"0\",\"1\"",
        "DATA\t\" a\",\"1\",\"?\",\"?\",\"0\",\"1\"",
        "DATA\t\"\ta\",\"1\",\"?\",\"?\",\"0\",\"1\"",
        "DATA\t\"a\",\"/\",\"?\",\"?\",\"0\",\"1\"",
        "DATA\t\"a\",\" \",\"?\",\"?\",\"0\",\"1\"",
        "DATA\t\"a\",\"1\",\"?\",\"?\",\"0\",\"\"\"",
        "DATA\t\"a\",\":\",\";\",\"<\",\"=\",\">\"",
        // A slash or a blank as any one-byte field but the first, in lines of one-byte
        // fields and in lines with an author: both are read the long way.
        "DATA\t\"a\",\"1\",\"/\",\"?\",\"0\",\"1\"",
        "DATA\t\"a\",\"1\",\"?\",\"/\",\"0\",\"1\"",
        "DATA\t\"a\",\"1\",\"?\",\"?\",\" \",\"1\"",
        "DATA\t\"a\",\"1\",\"?\",\"?\",\"0\",\"/\"",
        "DATA\t\"a\",\" \",\"who\",\"?\",\"0\",\"1\"",
        "DATA\t\"a\",\"1\",\"who\",\"/\",\"0\",\"1\"",
        "DATA\t\"a\",\"1\",\"who\",\"?\",\"/\",\"1\"",
        "DATA\t\"a\",\"1\",\"who\",\"?\",\"0\",\" \"",
        // A line feed as the last field ends the line there.
        "DATA\t\"a\",\"1\",\"?\",\"?\",\"0\",\"\n\"",
        "DATA\t\"a\",\"1\",\"who\",\"?\",\"0\",\"\n\"",
        "DATA\t\"a\",\"1\",\"?\",\"?\",\"0\",\"1\" ",
        "DATA\t\"a\",\"1\",\"?\",\"?\",\"0\",\"1\",",
        "DATA\t\"a\",\"1\",\"?\",\"?\",\"0\",\"1\"x",
        "DATA\t\"a\",\"1\",\"?\",\"?\",\"0\"",
        "DATA\t\"a\",\"1\",\"?\",\"?\",\"0\",\"1\",\"esc\"",
        "DATA\t\"a/nb\",\"1\",\"x/ry\",\"?\",\"0\",\"1\",\"esc\"",
        "DATA\t\"a\",  \"1\",\"?\",\"?\",\"0\",\"1\"",
        "DATA\t\"a\",\"12\",\" x\",\"y \",\"-3\",\"+1\"",
        "DATA\t\"a\",\"1\",\"?\",\"?\",\"0\",\"1\r",
        "DATA \"a\",\"1\",\"?\",\"?\",\"0\",\"1\"",
        "data\t\"a\",\"1\",\"?\",\"?\",\"0\",\"1\"",
        "DATA\t\"a",
        "DATA\t",
        "DATA\t\"a\",\"1\",\"?\",\"?\",\"0\",\"1\"\r\r",
        "NAMES\t\"a\"",
        "",
        "\x82\xa0\t\"\x95\x5c\",\"1\",\"?\",\"?\",\"0\",\"1\"",
    };
    const std::vector<std::string> ends = {"\n", "\r\n", "\r\r\n", "\n\r"};
    std::uint32_t seed = 7;
    auto next = [&seed](std::uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int round = 0; round < 300; ++round) {
        std::string text = "FILE{\r\n";
        const std::uint32_t count = 1 + next(40);
        for (std::uint32_t i = 0; i < count; ++i) {
            // Folders open and close among the entries so that entries land at every depth.
            const std::uint32_t pick = next(lines.size() + 4);
            const std::size_t start = text.size();
            text += pick < lines.size() ? lines[pick] : pick % 2 ? "FILE{" : "}FILE";
            // A line feed inside a field splits the line in two where any reader sees it.
            if (next(8) == 0) text.insert(start + next(text.size() - start + 1), "\n");
            text += ends[next(8) < 5 ? 0 : next(ends.size())];
        }
        if (next(4) == 0) text.resize(text.size() - 1 - next(3));  // no line feed at the end
        CLineByLineSource reference(text);
        const std::string want = ReadBack(reference);
        CStringLineSource whole(text);
        ASSERT_EQ(ReadBack(whole), want) << text;
        // Buffers that cut lines anywhere, the last of a buffer read the long way.
        for (std::size_t size : {1, 7, 23, 64}) {
            std::FILE* file = std::tmpfile();
            ASSERT_NE(file, nullptr);
            std::fwrite(text.data(), 1, text.size(), file);
            std::rewind(file);
            CFileLineSource buffered(file, size);
            EXPECT_EQ(ReadBack(buffered), want) << size << ":\n" << text;
            std::fclose(file);
        }
    }
    // A file of some megabytes is read through its mapping a window at a time: lines across
    // the windows' ends read as the others.
    std::string big = "FILE{\r\n";
    while (big.size() < (3u << 20)) {
        big += lines[next(lines.size())];
        big += ends[next(8) < 6 ? 1 : next(ends.size())];
    }
    const std::string path = ::testing::TempDir() + "plr_windows.plr";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(big.data(), 1, big.size(), file);
    std::fclose(file);
    CBlock* root = new CBlock;
    root->m_bFolder = 1;
    std::vector<ReadProblem> problems;
    RecordReadContext context;
    context.ppRoot = &root;
    context.problems = &problems;
    ASSERT_EQ(ReadCollectionFile(path, context, nullptr), ReadStatus::Ok);
    std::string got = Write(*root);
    delete root;
    for (const ReadProblem& p : problems) got += std::to_string(p.line) + " " + p.reason + "\n";
    CLineByLineSource reference(big);
    std::string want = ReadBack(reference);
    want.erase(want.rfind('\n', want.size() - 2) + 1);  // without the counts
    EXPECT_TRUE(got == want);
    std::remove(path.c_str());
}

namespace {

// An entry line of these texts, quoted as the writer quotes them (none of them needs more).
std::string TextsLine(int n, const std::string& author, const std::string& comment) {
    return "DATA\t\"C:\\w\\" + std::to_string(n) + ".jpg\",\"2\",\"" + author + "\",\"" +
           comment + "\",\"0\",\"1\"\r\n";
}

}  // namespace

// Texts met again and again are found by their bytes. Texts of every length near the limits
// of that, and texts that differ from each other in a single byte anywhere, each read many
// times over, stay each entry's own.
TEST(RecordReader, TextsMetAgainAndAgainStayEachEntrysOwn) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (std::size_t n = 0; n <= 18; ++n) {
        const std::string base(n, 'a');
        pairs.push_back({base, "?"});
        pairs.push_back({"?", base});
        pairs.push_back({base, std::string(n % 10, 'c')});
        for (std::size_t i = 0; i < n; ++i) {
            std::string changed = base;
            changed[i] = 'b';
            pairs.push_back({changed, "?"});
            pairs.push_back({"x", changed});
        }
    }
    pairs.push_back({"\x95\x5c", "\x8e\xa6"});  // CP932 bytes, the second a backslash's
    std::string text = "FILE{\r\nNAME\t\"R\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n";
    int n = 0;
    for (int round = 0; round < 4; ++round) {
        for (const auto& p : pairs) text += TextsLine(n++, p.first, p.second);
    }
    text += "}FILE\r\n";
    Doc doc(text);
    ASSERT_TRUE(doc.problems.empty());
    ASSERT_EQ(doc.root->m_Children.GetCount(), n);
    for (int i = 0; i < n; ++i) {
        const CBlock* entry = doc.root->m_Children.GetAtIndex(i);
        const auto& p = pairs[static_cast<std::size_t>(i) % pairs.size()];
        ASSERT_EQ(entry->Author(), p.first) << "line " << i;
        ASSERT_EQ(entry->Comment(), p.second) << "line " << i;
    }
    EXPECT_EQ(Write(*doc.root), text);
}

// The texts of entries all gone are given up, and their record's place may go to other
// texts; read again, the first texts are not taken for the others.
TEST(RecordReader, TextsGoneAndMadeAgainAreNotTakenForOthers) {
    auto lines = [](const std::string& author) {
        std::string text = "FILE{\r\nNAME\t\"R\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n";
        for (int i = 0; i < 10; ++i) text += TextsLine(i, author, "?");
        return text + "}FILE\r\n";
    };
    for (int round = 0; round < 3; ++round) {
        { Doc gone(lines("first author")); }
        // Texts of the same size, made while nothing else is: they take the place given up.
        CBlock other;
        other.SetTexts("other author", "?", nullptr);
        Doc again(lines("first author"));
        for (int i = 0; i < 10; ++i) {
            ASSERT_EQ(again.root->m_Children.GetAtIndex(i)->Author(), "first author");
        }
        EXPECT_EQ(other.Author(), "other author");
    }
}
