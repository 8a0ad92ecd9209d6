#include "model/RecordWriter.h"

#include <utility>
#include <vector>

#include "model/Block.h"
#include "model/ByteStream.h"

const char kEscapedLineMark[] = "esc";

namespace {

bool HasLineBreak(const std::string& text) {
    for (char c : text) {
        if (c == '\r' || c == '\n') return true;
    }
    return false;
}

// One quoted text field. A double quote is written as slash-quote, which the reader turns back
// into a quote. Slashes at the end of the value are written after the closing quote: inside,
// the last one would join the closing quote and be read as a literal quote.
void AppendTextField(std::string& out, const std::string& value, bool escaped) {
    // Most values need no escape at all: copy them straight through.
    if (value.find('"') == std::string::npos && (value.empty() || value.back() != '/') &&
        !escaped) {
        out += '"';
        out += value;
        out += '"';
        return;
    }
    std::string inner;
    inner.reserve(value.size() + 2);
    for (char c : value) {
        if (c == '"') {
            inner += "/\"";
        } else if (escaped && c == '/') {
            inner += "//";
        } else if (escaped && c == '\r') {
            inner += "/r";
        } else if (escaped && c == '\n') {
            inner += "/n";
        } else {
            inner += c;
        }
    }
    std::size_t slashes = 0;
    while (slashes < inner.size() && inner[inner.size() - 1 - slashes] == '/') ++slashes;
    out += '"';
    out.append(inner, 0, inner.size() - slashes);
    out += '"';
    out.append(slashes, '/');
}

void AppendDecimal(std::string& out, int value) {
    char digits[12];
    int n = 0;
    unsigned magnitude =
        value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (value < 0) out += '-';
    while (n) out += digits[--n];
}

void AppendLine(std::string& out, const char* text) {
    out += text;
    out += "\r\n";
}

}  // namespace

void AppendEntryLine(std::string& out, const CBlock& block) {
    const std::string& author = block.Author();
    const std::string& comment = block.Comment();
    bool escaped = HasLineBreak(block.m_strName) || HasLineBreak(author) || HasLineBreak(comment);
    out += block.m_bFolder ? "NAME\t" : "DATA\t";
    AppendTextField(out, block.m_strName, escaped);
    out += ",\"";
    AppendDecimal(out, block.m_nPriority);
    out += "\",";
    AppendTextField(out, author, escaped);
    out += ',';
    AppendTextField(out, comment, escaped);
    out += block.m_bInherit ? ",\"1\"," : ",\"0\",";
    out += block.m_bChangerEnabled ? "\"1\"" : "\"0\"";
    if (escaped) {
        out += ",\"";
        out += kEscapedLineMark;
        out += '"';
    }
    out += "\r\n";
}

void WriteRecords(const CBlock& block, IByteSink& sink) {
    // Iterative pre-order walk; an entry with a null "next child" index is being opened.
    std::string out;
    std::vector<std::pair<const CBlock*, int>> stack{{&block, -1}};
    while (!stack.empty()) {
        auto& [entry, next] = stack.back();
        if (!entry->m_bFolder) {
            AppendEntryLine(out, *entry);
            stack.pop_back();
        } else if (next < 0) {
            AppendLine(out, "FILE{");
            AppendEntryLine(out, *entry);
            next = 0;
        } else if (next < entry->m_Children.GetCount()) {
            const CBlock* child = entry->m_Children.GetAtIndex(next++);
            stack.emplace_back(child, -1);
        } else {
            AppendLine(out, "}FILE");
            stack.pop_back();
        }
        if (out.size() >= 64 * 1024) {
            sink.Write(out);
            out.clear();
        }
    }
    sink.Write(out);
}
