// Differential: the fast span splitter against the general one on the same bytes. Any
// difference in count or token text is a fault of one of them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "model/TokenList.h"

namespace {

std::size_t General(const std::string& line, std::size_t stopAfter,
                    std::vector<std::string>& tokens) {
    std::string source = line;
    SplitOptions options;
    options.keepEmptyQuoted = true;
    options.rewriteSource = false;
    options.stopAfter = stopAfter;
    std::size_t count = SplitTokens(source, tokens, options);
    if (source != line) std::abort();  // never rewritten
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks how many tokens are wanted; the rest is the line.
    const std::size_t stopAfter = data[0] % 12 == 0 ? SIZE_MAX : data[0] % 12;
    const std::string line(reinterpret_cast<const char*>(data) + 1, size - 1);

    std::vector<std::string> all;
    const std::size_t fullCount = General(line, SIZE_MAX, all);
    std::vector<std::string> general;
    const std::size_t count = General(line, stopAfter, general);
    // Stopping early changes nothing before the stop, and says that more follows.
    if (stopAfter == SIZE_MAX || fullCount <= stopAfter) {
        if (count != fullCount) std::abort();
    } else if (count != stopAfter + 1) {
        std::abort();
    }
    const std::size_t filled = count < stopAfter ? count : stopAfter;
    for (std::size_t i = 0; i < filled; ++i) {
        if (general[i] != all[i]) std::abort();
    }

    const std::size_t slots = stopAfter == SIZE_MAX ? line.size() + 2 : stopAfter + 1;
    std::vector<std::string_view> spans(slots);
    std::size_t fastCount;
    if (SplitPlainSpans(line, spans.data(), stopAfter, fastCount)) {
        if (fastCount != count) std::abort();
        for (std::size_t i = 0; i < filled; ++i) {
            if (spans[i] != general[i]) std::abort();
        }
    }
    std::vector<std::string> fallback;
    std::vector<std::string_view> mixed(slots);
    if (SplitSpans(line, mixed.data(), stopAfter, fallback) != count) std::abort();
    for (std::size_t i = 0; i < filled; ++i) {
        if (mixed[i] != general[i]) std::abort();
    }
    return 0;
}
