// Reads and writes a large collection and reports time and memory.
//   bench_collection generate FILE [ENTRIES] [FOLDERS]
//   bench_collection read FILE          (seconds, peak memory per entry)
//   bench_collection roundtrip IN OUT   (read, then write; seconds for each)
//   bench_collection reuse FILE         (cut a tenth of the folders and paste them back, five
//                                        times: the pool's memory after each round)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "model/Block.h"
#include "model/BlockPool.h"
#include "model/ByteStream.h"
#include "model/CollectionFile.h"
#include "model/RecordReader.h"

namespace {

double Now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

long PeakKiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

long CurrentKiB() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    long pages = 0, resident = 0;
    if (f) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * 4;
}

int Generate(const char* path, long entries, long folders) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return 1;
    CFileSink sink(f, 1 << 16);
    sink.Write("FILE{\r\nNAME\t\"Pelorand\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n");
    long perFolder = entries / folders;
    char line[256];
    for (long d = 0; d < folders; ++d) {
        int n = std::snprintf(
            line, sizeof line,
            "FILE{\r\nNAME\t\"folder %05ld\",\"%ld\",\"author%ld\",\"?\",\"%ld\",\"1\"\r\n", d,
            d % 5, d % 7, d % 2);
        sink.Write(line, n);
        for (long e = 0; e < perFolder; ++e) {
            n = std::snprintf(
                line, sizeof line,
                "DATA\t\"C:\\Users\\me\\Pictures\\wall\\f%05ld\\img%07ld.jpg\",\"%ld\","
                "\"?\",\"?\",\"0\",\"1\"\r\n",
                d, d * perFolder + e, e % 5);
            sink.Write(line, n);
        }
        sink.Write("}FILE\r\n");
    }
    sink.Write("}FILE\r\n");
    bool ok = sink.Flush();
    std::fclose(f);
    return ok ? 0 : 1;
}

CBlock* Read(const char* path, double& seconds) {
    CBlock* root = nullptr;
    RecordReadContext context;
    context.ppRoot = &root;
    double t = Now();
    if (ReadCollectionFile(path, context, nullptr) != ReadStatus::Ok) {
        std::fprintf(stderr, "cannot read %s\n", path);
        std::exit(1);
    }
    seconds = Now() - t;
    return root;
}

long CountEntries(const CBlock& root) {
    long n = 1;
    for (int i = 0; i < root.m_Children.GetCount(); ++i)
        n += CountEntries(*root.m_Children.GetAtIndex(i));
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    blockpool::UseSystemChunks();  // as plr does
    if (argc >= 3 && !std::strcmp(argv[1], "generate")) {
        long entries = argc > 3 ? std::atol(argv[3]) : 1000000;
        long folders = argc > 4 ? std::atol(argv[4]) : 10000;
        return Generate(argv[2], entries, folders);
    }
    if (argc >= 3 && !std::strcmp(argv[1], "read")) {
        long before = CurrentKiB();
        double seconds;
        std::unique_ptr<CBlock> root(Read(argv[2], seconds));
        long entries = CountEntries(*root);
        long peak = PeakKiB();
        double t = Now();
        root.reset();
        double freeSeconds = Now() - t;
        std::printf(
            "read %.3f s, %ld entries, peak %ld KiB over %ld KiB at start: %.1f bytes/entry; "
            "freed in %.3f s\n",
            seconds, entries, peak - before, before, (peak - before) * 1024.0 / entries,
            freeSeconds);
        return 0;
    }
    if (argc >= 3 && !std::strcmp(argv[1], "reuse")) {
        double seconds;
        std::unique_ptr<CBlock> root(Read(argv[2], seconds));
        const int cut = root->m_Children.GetCount() / 10;
        long entries = 0;
        std::printf("pool after reading: %.1f MiB\n", blockpool::GetStats().chunkBytes / 1048576.0);
        for (int round = 1; round <= 5; ++round) {
            // Cut: the folders' records go to the clipboard text, then the folders go.
            CStringSink clip;
            entries = 0;
            for (int i = 0; i < cut; ++i) {
                CBlock* folder = root->m_Children.GetAtIndex(0);
                entries += CountEntries(*folder);
                folder->WriteRecord(clip);
                folder->DeleteEntry();
            }
            // Paste them back below the root.
            CStringLineSource lines(clip.Text());
            RecordReadContext context;
            ReadRecords(lines, root.get(), context);
            std::printf("round %d: %ld entries cut and pasted, pool %.1f MiB\n", round, entries,
                        blockpool::GetStats().chunkBytes / 1048576.0);
        }
        return 0;
    }
    if (argc >= 4 && !std::strcmp(argv[1], "roundtrip")) {
        double readSeconds;
        std::unique_ptr<CBlock> root(Read(argv[2], readSeconds));
        double t = Now();
        std::string error;
        if (!WriteCollectionFile(argv[3], *root, error)) {
            std::fprintf(stderr, "cannot write: %s\n", error.c_str());
            return 1;
        }
        double writeSeconds = Now() - t;
        std::printf("read %.3f s, write %.3f s\n", readSeconds, writeSeconds);
        return 0;
    }
    std::fprintf(stderr,
                 "usage: bench_collection generate FILE [ENTRIES] [FOLDERS] | read FILE | "
                 "roundtrip IN OUT | reuse FILE\n");
    return 2;
}
