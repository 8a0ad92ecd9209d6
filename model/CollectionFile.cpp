#include "model/CollectionFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "model/Block.h"
#include "model/ByteStream.h"

ReadStatus ReadCollectionFile(const std::string& path, RecordReadContext& context, CBlock* parent) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return ReadStatus::CannotOpen;
    CFileLineSource source(file, 64 * 1024);
    ReadRecords(source, parent, context);
    bool failed = source.Failed();
    std::fclose(file);
    return failed ? ReadStatus::ReadError : ReadStatus::Ok;
}

bool WriteFileReplacing(const std::string& path, const std::function<void(IByteSink&)>& write,
                        std::string& error) {
    const std::string temp = path + ".tmp";
    std::FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    bool ok;
    {
        CFileSink sink(file, 64 * 1024);
        write(sink);
        ok = sink.Flush();
        if (!ok) error = std::strerror(errno);
    }
    if (std::fflush(file) != 0 && ok) {
        ok = false;
        error = std::strerror(errno);
    }
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = std::strerror(errno);
    }
    if (ok && !ReplaceFileWith(temp, path)) {
        ok = false;
        error = "cannot replace the file";
    }
    if (!ok) std::remove(temp.c_str());
    return ok;
}

bool WriteCollectionFile(const std::string& path, const CBlock& root, std::string& error) {
    return WriteFileReplacing(
        path, [&](IByteSink& sink) { root.WriteRecord(sink); }, error);
}
