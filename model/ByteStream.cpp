#include "model/ByteStream.h"

#include <cstring>

namespace {
void DropTrailingCr(std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
}
}  // namespace

bool ILineSource::ReadLineView(std::string_view& line) {
    if (!ReadLine(m_line)) return false;
    line = m_line;
    return true;
}

bool CStringLineSource::ReadLineView(std::string_view& line) {
    if (m_pos >= m_text.size()) return false;
    std::size_t lf = m_text.find('\n', m_pos);
    if (lf == std::string::npos) {
        line = std::string_view(m_text).substr(m_pos);
        m_pos = m_text.size();
        return true;
    }
    std::size_t n = lf - m_pos;
    if (n > 0 && m_text[lf - 1] == '\r') --n;
    line = std::string_view(m_text.data() + m_pos, n);
    m_pos = lf + 1;
    return true;
}

std::string_view CStringLineSource::Unread() {
    return m_pos < m_text.size() ? std::string_view(m_text).substr(m_pos) : std::string_view();
}

bool CStringLineSource::ReadLine(std::string& line) {
    if (m_pos >= m_text.size()) return false;
    std::size_t lf = m_text.find('\n', m_pos);
    if (lf == std::string::npos) {
        line.assign(m_text, m_pos, std::string::npos);
        m_pos = m_text.size();
        return true;  // the last line without LF keeps a lone CR, as there is no LF after it
    }
    line.assign(m_text, m_pos, lf - m_pos);
    m_pos = lf + 1;
    DropTrailingCr(line);
    return true;
}

CFileSink::CFileSink(std::FILE* file, std::size_t bufferSize)
    : m_file(file), m_buffer(bufferSize) {}

CFileSink::~CFileSink() {
    Flush();
}

void CFileSink::Write(const char* data, std::size_t size) {
    if (!m_good) return;
    if (m_used + size > m_buffer.size()) {
        if (!Flush()) return;
        if (size >= m_buffer.size()) {
            if (std::fwrite(data, 1, size, m_file) != size) m_good = false;
            return;
        }
    }
    std::memcpy(m_buffer.data() + m_used, data, size);
    m_used += size;
}

bool CFileSink::Flush() {
    if (m_good && m_used > 0 && std::fwrite(m_buffer.data(), 1, m_used, m_file) != m_used) {
        m_good = false;
    }
    m_used = 0;
    return m_good;
}

CFileLineSource::CFileLineSource(std::FILE* file, std::size_t bufferSize)
    : m_file(file), m_buffer(bufferSize) {}

bool CFileLineSource::Fill() {
    if (m_eof) return false;
    m_pos = 0;
    m_end = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
    if (m_end == 0) {
        m_eof = true;
        if (std::ferror(m_file)) m_failed = true;
        return false;
    }
    return true;
}

std::string_view CFileLineSource::Unread() {
    if (m_pos >= m_end && !Fill()) return {};
    return std::string_view(m_buffer.data() + m_pos, m_end - m_pos);
}

bool CFileLineSource::ReadLine(std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
        if (m_pos >= m_end && !Fill()) return any;
        any = true;
        const char* start = m_buffer.data() + m_pos;
        const void* lf = std::memchr(start, '\n', m_end - m_pos);
        if (lf) {
            std::size_t n = static_cast<const char*>(lf) - start;
            line.append(start, n);
            m_pos += n + 1;
            DropTrailingCr(line);
            return true;
        }
        line.append(start, m_end - m_pos);
        m_pos = m_end;
    }
}

bool CFileLineSource::ReadLineView(std::string_view& line) {
    if (m_pos >= m_end && !Fill()) return false;
    const char* start = m_buffer.data() + m_pos;
    const void* lf = std::memchr(start, '\n', m_end - m_pos);
    if (lf) {
        // The usual case: the whole line lies in the buffer.
        std::size_t n = static_cast<const char*>(lf) - start;
        m_pos += n + 1;
        if (n > 0 && start[n - 1] == '\r') --n;
        line = std::string_view(start, n);
        return true;
    }
    m_line.assign(start, m_end - m_pos);
    m_pos = m_end;
    for (;;) {
        if (!Fill()) {
            line = m_line;
            return true;
        }
        start = m_buffer.data();
        lf = std::memchr(start, '\n', m_end);
        if (lf) {
            std::size_t n = static_cast<const char*>(lf) - start;
            m_line.append(start, n);
            m_pos = n + 1;
            DropTrailingCr(m_line);
            line = m_line;
            return true;
        }
        m_line.append(start, m_end);
        m_pos = m_end;
    }
}
