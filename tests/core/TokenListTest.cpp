#include <gtest/gtest.h>

#include "model/TokenList.h"

namespace {
std::vector<std::string> Tokens(std::string source) {
    CTokenList list(source);
    std::vector<std::string> out;
    for (int i = 0; i < list.GetCount(); ++i) out.push_back(list.Token(i));
    return out;
}
using V = std::vector<std::string>;
}  // namespace

TEST(TokenList, SplitsOnSpaceCommaTabAndSkipsRuns) {
    EXPECT_EQ(Tokens("BMP JPG HTML"), (V{"BMP", "JPG", "HTML"}));
    EXPECT_EQ(Tokens("a,,b"), (V{"a", "b"}));
    EXPECT_EQ(Tokens("a,b,"), (V{"a", "b", ""}));
    EXPECT_EQ(Tokens("a\t \tb"), (V{"a", "b"}));
    EXPECT_EQ(Tokens("   "), (V{""}));
    EXPECT_EQ(Tokens(""), (V{""}));
}

TEST(TokenList, QuotesGroupAndSourceIsRewritten) {
    std::string source = "\"x y\",z";
    CTokenList list(source);
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.Token(0), "x y");
    EXPECT_EQ(list.Token(1), "z");
    EXPECT_EQ(source, "x y,z");
    // Splitting the rewritten source again now splits inside the old quotes.
    list.Split();
    EXPECT_EQ(list.GetCount(), 3);
}

TEST(TokenList, UnbalancedQuoteTakesTheRest) {
    EXPECT_EQ(Tokens("a \"b c, d"), (V{"a", "b c, d"}));
}

TEST(TokenList, SlashQuoteIsALiteralQuote) {
    EXPECT_EQ(Tokens("\"a/\"b\""), (V{"a\"b"}));
    EXPECT_EQ(Tokens("\"a/b\""), (V{"a/b"}));
    EXPECT_EQ(Tokens("/"), (V{"/"}));
    std::string source = "\"say /\"hi/\"\"";
    CTokenList list(source);
    EXPECT_EQ(source, "say \"hi\"");
}

TEST(TokenList, TrimsSourceEndsAndTokenLeftOnly) {
    EXPECT_EQ(Tokens("  \"  lead\" , \"trail  \"  "), (V{"lead", "trail  "}));
}

TEST(TokenList, LookupsPastTheEnd) {
    std::string source = "NAME \"12\" -7 x";
    CTokenList list(source);
    std::string text = "junk";
    int number = 99;
    EXPECT_FALSE(list.Lookup("9", text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(list.LookupNumber("9", number));
    EXPECT_EQ(number, 0);
    EXPECT_TRUE(list.LookupNumber("1", number));
    EXPECT_EQ(number, 12);
    EXPECT_TRUE(list.LookupNumber("2", number));
    EXPECT_EQ(number, -7);
    EXPECT_TRUE(list.LookupNumber("3", number));
    EXPECT_EQ(number, 0);
    EXPECT_TRUE(list.IsFirst("NAME"));
    EXPECT_FALSE(list.IsFirst("name"));
}

TEST(TokenList, JapaneseBytesPassThrough) {
    // Every special byte lies below 0x40, so double-byte text is never split.
    EXPECT_EQ(Tokens("表示 \"ソフト,能\""), (V{"表示", "ソフト,能"}));
}

TEST(TokenList, ParseDecimalLikeTheCLibraryWithoutOverflow) {
    EXPECT_EQ(ParseDecimal("  +42abc"), 42);
    EXPECT_EQ(ParseDecimal("-"), 0);
    EXPECT_EQ(ParseDecimal("abc"), 0);
    EXPECT_EQ(ParseDecimal("99999999999999999999"), 2147483647);
    EXPECT_EQ(ParseDecimal("-99999999999999999999"), -2147483647 - 1);
}

TEST(TokenList, EscapeQuotes) {
    EXPECT_EQ(EscapeQuotes("a\"b"), "a/\"b");
    EXPECT_EQ(EscapeQuotes("no quotes/"), "no quotes/");
}

TEST(TokenList, KeepEmptyQuotedOption) {
    std::string source = "DATA\t\"p\",\"\",\"c\"";
    std::vector<std::string> tokens;
    SplitOptions keep;
    keep.keepEmptyQuoted = true;
    ASSERT_EQ(SplitTokens(source, tokens, keep), 4u);
    EXPECT_EQ(tokens[2], "");
    EXPECT_EQ(tokens[3], "c");
}

// The one-pass record splitter takes only what the general one splits the same way.
TEST(TokenList, RecordLinesSplitAsTheGeneralSplitterDoes) {
    const char* const lines[] = {
        "DATA\t\"C:\\a b,c.jpg\",\"2\",\"?\",\"?\",\"0\",\"1\"",
        "NAME\t\"f\",\"12\",\"an author\",\"a, comment\",\"1\",\"0\"",
        "DATA\t\"\",\"\",\"\",\"\",\"\",\"\"",
        "DATA\t\"x\",\"2\",\"?\",\"?\",\"0\",\"1\",\"7\"",
        "DATA\t\"x\",\"2\",\"?\",\"?\",\"0\"",
        "DATA\t\"x/\",\"2\",\"?\",\"?\",\"0\",\"1\"",
        "DATA\t\"x/\"y\",\"2\",\"?\",\"?\",\"0\",\"1\"",
        "DATA\t\" x\",\"2\",\"?\",\"?\",\"0\",\"1\"",
        "DATA\t\"x\",,\"2\",\"?\",\"?\",\"0\",\"1\"",
        "DATA\t\"x\", \"2\",\"?\",\"?\",\"0\",\"1\"",
        "DATA \"x\",\"2\",\"?\",\"?\",\"0\",\"1\"",
        "DA,A\t\"x\",\"2\",\"?\",\"?\",\"0\",\"1\"",
        "DATA\t\"x\",\"2\",\"?\",\"?\",\"0\",\"1\" ",
        "DATA\t\"x\",\"2\",\"?\",\"?\",\"0\",\"1\"x",
        "DATA\t\"x\",\"2\",\"?\",\"?\",\"0\",\"1",
        "DATA\t\"\x95\\\",\"2\",\"?\",\"?\",\"0\",\"1\"",
        "\tDATA\t\"x\",\"2\",\"?\",\"?\",\"0\",\"1\"",
        "DATA\t\"x\",\"2\",\"?\",\"?\",\"0\",\"/\"",
        "DATA\t\"x\",\"2\",\"?\",\" \",\"0\",\"1\"",
        "DATA\t\"x\",\"2\",\"?\",\"\"\",\"0\",\"1\"",
        "DATA\t\"x\",\"2\",\"?\",\"?\",\"0\",\"\"\"",
        "DATA\t\"x\",\"2\",\"?\";\"?\",\"0\",\"1\"",
        "DATA\t\"x\",\"22\",\"?\",\"?\",\"0\",\"1\"",
        "DATA\t\"x\",\"\t\",\"\r\",\"?\",\"0\",\"1\"",
    };
    for (const char* text : lines) {
        const std::string line = text;
        std::vector<std::string> general;
        std::string source = line;
        SplitOptions options;
        options.keepEmptyQuoted = true;
        options.rewriteSource = false;
        options.stopAfter = 8;
        const std::size_t count = SplitTokens(source, general, options);
        std::string_view spans[9];
        std::size_t fast = 0;
        if (SplitRecordSpans(line, spans, 8, fast)) {
            ASSERT_EQ(fast, count) << line;
            for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(spans[i], general[i]) << line;
        }
        std::vector<std::string> fallback;
        ASSERT_EQ(SplitSpans(line, spans, 8, fallback), count) << line;
        for (std::size_t i = 0; i < count && i < 8; ++i) EXPECT_EQ(spans[i], general[i]) << line;
    }
    // The common lines are the ones it takes.
    std::string_view spans[9];
    std::size_t count = 0;
    EXPECT_TRUE(SplitRecordSpans(lines[0], spans, 8, count));
    EXPECT_EQ(count, 7u);
    EXPECT_EQ(spans[1], "C:\\a b,c.jpg");
    EXPECT_TRUE(SplitRecordSpans(lines[2], spans, 8, count));
    EXPECT_EQ(count, 7u);
    EXPECT_FALSE(SplitRecordSpans(lines[3], spans, 8, count));
}
