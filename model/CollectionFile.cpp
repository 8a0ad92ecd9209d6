#include "model/CollectionFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "model/Block.h"
#include "model/ByteStream.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Lines straight out of a read-only mapping of the file: no copy into a buffer. The pages
// already read are handed back as the reading goes on, so the mapping never holds more than
// about 256 KiB of the process's memory.
class CMappedLineSource : public ILineSource {
  public:
    CMappedLineSource(const char* data, std::size_t size) : m_data(data), m_size(size) {}
    bool ReadLine(std::string& line) override {
        std::string_view view;
        if (!ReadLineView(view)) return false;
        line.assign(view.data(), view.size());
        return true;
    }
    bool ReadLineView(std::string_view& line) override {
        if (m_pos >= m_size) return false;
        if (m_pos - m_released >= kReleaseStep) Release();
        const char* start = m_data + m_pos;
        const void* lf = std::memchr(start, '\n', m_size - m_pos);
        if (!lf) {
            // The last line without LF keeps a lone CR, as there is no LF after it.
            line = std::string_view(start, m_size - m_pos);
            m_pos = m_size;
            return true;
        }
        std::size_t n = static_cast<const char*>(lf) - start;
        m_pos += n + 1;
        if (n > 0 && start[n - 1] == '\r') --n;
        line = std::string_view(start, n);
        return true;
    }
    // No further than the next release, so that the pages behind keep being handed back.
    std::string_view Unread() override {
        if (m_pos - m_released >= kReleaseStep) Release();
        const std::size_t left = m_size - m_pos;
        return std::string_view(m_data + m_pos, left < kReleaseStep ? left : kReleaseStep);
    }
    void Skip(std::size_t n) override { m_pos += n; }

  private:
    static constexpr std::size_t kReleaseStep = 256 * 1024;
    void Release() {
        // Only whole pages before the current line: the caller's last view is done with.
        const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        std::size_t end = m_pos / page * page;
        if (end > m_released) {
            madvise(const_cast<char*>(m_data) + m_released, end - m_released, MADV_DONTNEED);
            m_released = end;
        }
    }
    const char* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    std::size_t m_released = 0;
};

// Reads a regular, non-empty file through a mapping; false when it cannot be mapped, and the
// caller reads it the ordinary way.
bool ReadMapped(const std::string& path, RecordReadContext& context, CBlock* parent,
                ReadStatus& status) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
        close(fd);
        return false;
    }
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (map == MAP_FAILED) return false;
    madvise(map, size, MADV_SEQUENTIAL);
    {
        CMappedLineSource source(static_cast<const char*>(map), size);
        ReadRecords(source, parent, context);
    }
    munmap(map, size);
    status = ReadStatus::Ok;
    return true;
}
}  // namespace
#endif

namespace {
// Passes the bytes on to the file and, on Linux, asks the system to start writing them to
// the disk every few megabytes: the saving ends with a sync of the whole file, which then
// waits for the last few megabytes instead of all of them, the disk having worked while the
// rest of the file was being formatted. Only a hint: the sync at the end is what counts.
class CWriteBehindSink : public IByteSink {
  public:
    CWriteBehindSink(std::FILE* file, CFileSink& sink) : m_file(file), m_sink(sink) {}
    void Write(const char* data, std::size_t size) override {
        m_sink.Write(data, size);
#if defined(__linux__)
        m_unsynced += size;
        if (m_unsynced >= kStep) {
            m_unsynced = 0;
            const int fd = fileno(m_file);
            const off_t end = lseek(fd, 0, SEEK_CUR);
            if (fd >= 0 && end > m_started) {
                sync_file_range(fd, m_started, end - m_started, SYNC_FILE_RANGE_WRITE);
                m_started = end;
            }
        }
#else
        (void)m_file;
#endif
    }
    using IByteSink::Write;

  private:
    static constexpr std::size_t kStep = 4 << 20;
    std::FILE* m_file;
    CFileSink& m_sink;
#if defined(__linux__)
    std::size_t m_unsynced = 0;
    off_t m_started = 0;
#endif
};
}  // namespace

ReadStatus ReadCollectionFile(const std::string& path, RecordReadContext& context, CBlock* parent) {
#ifndef _WIN32
    ReadStatus mapped;
    if (ReadMapped(path, context, parent, mapped)) return mapped;
#endif
    std::FILE* file = OpenStdioFile(path, "rb");
    if (!file) return ReadStatus::CannotOpen;
    CFileLineSource source(file, 256 * 1024);
    ReadRecords(source, parent, context);
    bool failed = source.Failed();
    std::fclose(file);
    return failed ? ReadStatus::ReadError : ReadStatus::Ok;
}

bool WriteFileReplacing(const std::string& path, const std::function<void(IByteSink&)>& write,
                        std::string& error, std::string* keptAt) {
    return SaveReplacing(
        path,
        [&](std::FILE* file, std::string& writeError) {
            bool ok;
            {
                CFileSink sink(file, 64 * 1024);
                CWriteBehindSink behind(file, sink);
                write(behind);
                ok = sink.Flush();
            }
            if (std::fflush(file) != 0) ok = false;
            if (!ok) writeError = std::strerror(errno);
            return ok;
        },
        error, keptAt);
}

bool WriteCollectionFile(const std::string& path, const CBlock& root, std::string& error) {
    return WriteFileReplacing(
        path, [&](IByteSink& sink) { root.WriteRecord(sink); }, error);
}
