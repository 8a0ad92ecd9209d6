// Byte sinks and line sources that the record writer and reader work over.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

class IByteSink {
  public:
    virtual ~IByteSink() = default;
    virtual void Write(const char* data, std::size_t size) = 0;
    void Write(const std::string& text) { Write(text.data(), text.size()); }
};

// Lines end at LF; a CR directly before the LF is dropped; a last line without LF is read.
class ILineSource {
  public:
    virtual ~ILineSource() = default;
    // False when no line is left.
    virtual bool ReadLine(std::string& line) = 0;
    // The same line as a view, valid until the next read; sources that hold the text already
    // hand it out without a copy.
    virtual bool ReadLineView(std::string_view& line);
    // The text after the last line read that the source already holds in memory (empty when
    // it holds none at hand), for a reader that takes whole lines straight out of it. Skip(n)
    // then passes over the first n bytes of it, which end just after a line feed.
    virtual std::string_view Unread() { return {}; }
    virtual void Skip(std::size_t) {}

  private:
    std::string m_line;
};

class CStringSink : public IByteSink {
  public:
    void Write(const char* data, std::size_t size) override { m_text.append(data, size); }
    using IByteSink::Write;
    const std::string& Text() const { return m_text; }

  private:
    std::string m_text;
};

class CStringLineSource : public ILineSource {
  public:
    explicit CStringLineSource(std::string text) : m_text(std::move(text)) {}
    bool ReadLine(std::string& line) override;
    bool ReadLineView(std::string_view& line) override;
    std::string_view Unread() override;
    void Skip(std::size_t n) override { m_pos += n; }

  private:
    std::string m_text;
    std::size_t m_pos = 0;
};

// Buffered writing to an open stdio file; Good() turns false at the first failed write.
class CFileSink : public IByteSink {
  public:
    explicit CFileSink(std::FILE* file, std::size_t bufferSize = 4096);
    ~CFileSink() override;
    void Write(const char* data, std::size_t size) override;
    using IByteSink::Write;
    bool Flush();
    bool Good() const { return m_good; }

  private:
    std::FILE* m_file;
    std::vector<char> m_buffer;
    std::size_t m_used = 0;
    bool m_good = true;
};

// Buffered line reading from an open stdio file; Failed() tells a read error from the end.
class CFileLineSource : public ILineSource {
  public:
    explicit CFileLineSource(std::FILE* file, std::size_t bufferSize = 4096);
    bool ReadLine(std::string& line) override;
    bool ReadLineView(std::string_view& line) override;
    std::string_view Unread() override;
    void Skip(std::size_t n) override { m_pos += n; }
    bool Failed() const { return m_failed; }

  private:
    bool Fill();
    std::string m_line;  // a line that crosses the end of the buffer
    std::FILE* m_file;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    bool m_eof = false;
    bool m_failed = false;
};
