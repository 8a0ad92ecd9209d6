// What a document's Serialize reads from or writes to: the lines of a file being loaded, or
// the bytes of a file being stored.
#pragma once

#include "model/ByteStream.h"

class CArchive {
  public:
    // Buffer size of the archives the document cycle makes over files.
    static constexpr std::size_t kBufferSize = 4096;

    explicit CArchive(IByteSink& sink) : m_sink(&sink) {}
    explicit CArchive(ILineSource& source) : m_source(&source) {}

    bool IsStoring() const { return m_sink != nullptr; }
    bool IsLoading() const { return m_source != nullptr; }
    IByteSink& Sink() const { return *m_sink; }
    ILineSource& Source() const { return *m_source; }

  private:
    IByteSink* m_sink = nullptr;
    ILineSource* m_source = nullptr;
};
