#include "model/CollectionFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "model/Block.h"
#include "model/ByteStream.h"

ReadStatus ReadCollectionFile(const std::string& path, RecordReadContext& context, CBlock* parent) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return ReadStatus::CannotOpen;
    CFileLineSource source(file, 256 * 1024);
    ReadRecords(source, parent, context);
    bool failed = source.Failed();
    std::fclose(file);
    return failed ? ReadStatus::ReadError : ReadStatus::Ok;
}

bool WriteFileReplacing(const std::string& path, const std::function<void(IByteSink&)>& write,
                        std::string& error) {
    return SaveReplacing(
        path,
        [&](std::FILE* file, std::string& writeError) {
            bool ok;
            {
                CFileSink sink(file, 64 * 1024);
                write(sink);
                ok = sink.Flush();
            }
            if (std::fflush(file) != 0) ok = false;
            if (!ok) writeError = std::strerror(errno);
            return ok;
        },
        error);
}

bool WriteCollectionFile(const std::string& path, const CBlock& root, std::string& error) {
    return WriteFileReplacing(
        path, [&](IByteSink& sink) { root.WriteRecord(sink); }, error);
}
