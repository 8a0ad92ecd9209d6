// Reads and writes a large collection and reports time and memory.
//   bench_collection generate FILE [ENTRIES] [FOLDERS]
//   bench_collection shape NAME FILE    (a collection of about a million entries of one of
//                                        the shapes users have; "list" names them)
//   bench_collection time CMD [ARG...]  (runs CMD, its output thrown away, and prints its wall
//                                        and processor microseconds and its peak KiB)
//   bench_collection read FILE          (seconds, peak memory per entry)
//   bench_collection roundtrip IN OUT   (read, then write; seconds for each)
//   bench_collection reuse FILE         (cut a tenth of the folders and paste them back, five
//                                        times: the pool's memory after each round)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iconv.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

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


// One line of a collection, converted to UTF-8 where the shape asks for it (the program's
// texts are compiled as CP932).
class ShapeWriter {
  public:
    ShapeWriter(std::FILE* f, bool utf8) : m_sink(f, 1 << 16) {
        if (utf8) m_cd = iconv_open("UTF-8", "CP932");
    }
    ~ShapeWriter() {
        if (m_cd) iconv_close(m_cd);
    }
    void Line(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        char line[1024];
        va_list args;
        va_start(args, format);
        int n = std::vsnprintf(line, sizeof line - 2, format, args);
        va_end(args);
        if (n < 0 || n > static_cast<int>(sizeof line) - 3) std::abort();
        line[n++] = '\r';
        line[n++] = '\n';
        if (!m_cd) {
            m_sink.Write(line, n);
            return;
        }
        char out[2048];
        char* in = line;
        std::size_t inLeft = n, outLeft = sizeof out;
        char* o = out;
        if (iconv(m_cd, &in, &inLeft, &o, &outLeft) == static_cast<std::size_t>(-1)) {
            std::perror("iconv");
            std::abort();
        }
        m_sink.Write(out, o - out);
    }
    void Open(const char* name, int priority, const char* author, const char* comment,
              int inherit, int enabled) {
        Line("FILE{");
        Line("NAME\t\"%s\",\"%d\",\"%s\",\"%s\",\"%d\",\"%d\"", name, priority, author, comment,
             inherit, enabled);
    }
    void Close() { Line("}FILE"); }
    void Data(const char* path, int priority, const char* author, const char* comment,
              int inherit, int enabled) {
        Line("DATA\t\"%s\",\"%d\",\"%s\",\"%s\",\"%d\",\"%d\"", path, priority, author, comment,
             inherit, enabled);
    }
    bool Flush() { return m_sink.Flush(); }

  private:
    CFileSink m_sink;
    iconv_t m_cd = nullptr;
};

// Photo albums three levels deep, named in Japanese (with characters whose CP932 form ends in
// the byte of a backslash), 100 pictures in each.
void JapaneseAlbums(ShapeWriter& w, bool cp932) {
    static const char* const kPlaces[] = {"京都", "北海道", "沖縄", "富士山", "表参道"};
    static const char* const kAuthors[] = {"山田太郎", "佐藤花子", "鈴木一郎", "能登", "?"};
    const char* root = cp932 ? "C:\\Users\\山田\\Pictures\\壁紙コレクション" :
                               "/home/yamada/写真/壁紙コレクション";
    const char sep = cp932 ? '\\' : '/';
    char name[256], dir1[256], dir2[384], path[768];
    w.Open("Pelorand", 2, "?", "?", 0, 1);
    long picture = 0;
    for (int y = 0; y < 20; ++y) {
        std::snprintf(name, sizeof name, "%d年の表示", 2000 + y);
        std::snprintf(dir1, sizeof dir1, "%s%c%d年 写真表示", root, sep, 2000 + y);
        w.Open(name, y % 5, kAuthors[y % 5], "家族の写真", 0, 1);
        for (int t = 0; t < 25; ++t) {
            std::snprintf(name, sizeof name, "%s旅行 第%d回", kPlaces[t % 5], t + 1);
            std::snprintf(dir2, sizeof dir2, "%s%c%02d %s旅行ソフト", dir1, sep, t + 1,
                          kPlaces[t % 5]);
            w.Open(name, 2, "?", "?", t % 3 == 0, 1);
            for (int a = 0; a < 20; ++a) {
                std::snprintf(name, sizeof name, "能力アルバム %d", a + 1);
                w.Open(name, a % 5, kAuthors[(y + a) % 5], "?", 0, a % 7 != 0);
                for (int p = 0; p < 100; ++p, ++picture) {
                    std::snprintf(path, sizeof path, "%s%cアルバム%02d%c写真_%06ld.jpg", dir2, sep,
                                  a + 1, sep, picture);
                    w.Data(path, p % 5, "?", "?", p % 4 == 0, 1);
                }
                w.Close();
            }
            w.Close();
        }
        w.Close();
    }
    w.Close();
}

const char* const kShapes[] = {"current", "unpadded", "ja-cp932", "ja-utf8", "flat",
                               "nested",  "tiny",     "long",     "authors", "mixed"};

int GenerateShape(const std::string& shape, const char* file) {
    if (shape == "current") return Generate(file, 1000000, 10000);
    std::FILE* f = std::fopen(file, "wb");
    if (!f) return 1;
    const bool cp932 = shape == "ja-cp932";
    ShapeWriter w(f, shape == "ja-utf8");
    char name[512], path[768], author[64], comment[128];
    if (shape == "unpadded" || shape == "mixed" || shape == "authors") {
        // 10,000 folders of 100 files; "mixed": the everyday shape of folder records with an
        // author and a comment and the flags mixed; "authors": every folder its own author and
        // comment and the files a few authors among them.
        const bool mixed = shape == "mixed", authors = shape == "authors";
        w.Open("Pelorand", 2, "?", "?", 0, 1);
        for (long d = 0; d < 10000; ++d) {
            std::snprintf(name, sizeof name, "f%ld", d);
            if (mixed || authors) {
                std::snprintf(author, sizeof author, "author %ld", d % 97);
                std::snprintf(comment, sizeof comment, "comment on folder %ld", d);
                w.Open(name, d % 5, author, comment, mixed && d % 2, d % 11 != 0);
            } else {
                w.Open(name, 2, "?", "?", 0, 1);
            }
            for (long e = 0; e < 100; ++e) {
                std::snprintf(path, sizeof path, "D:\\w\\f%ld\\%ld.jpg", d, e);
                if (authors) {
                    std::snprintf(author, sizeof author, "artist %ld", (d + e) % 20);
                    if (e % 10 == 0) {
                        std::snprintf(comment, sizeof comment, "seen at the show of %ld", d * 100 + e);
                    } else {
                        std::strcpy(comment, "?");
                    }
                    w.Data(path, e % 5, author, comment, 0, 1);
                } else if (mixed) {
                    w.Data(path, e % 5, "?", "?", e % 3 == 0, e % 13 != 0);
                } else {
                    w.Data(path, 2, "?", "?", 0, 1);
                }
            }
            w.Close();
        }
        w.Close();
    } else if (shape == "ja-cp932" || shape == "ja-utf8") {
        JapaneseAlbums(w, cp932);
    } else if (shape == "flat") {
        w.Open("Pelorand", 2, "?", "?", 0, 1);
        w.Open("all", 2, "?", "?", 0, 1);
        for (long e = 0; e < 1000000; ++e) {
            std::snprintf(path, sizeof path, "C:\\wall\\img%07ld.jpg", e);
            w.Data(path, 2, "?", "?", 0, 1);
        }
        w.Close();
        w.Close();
    } else if (shape == "nested") {
        for (long d = 0; d < 1000000; ++d) {
            std::snprintf(name, sizeof name, "level %ld", d);
            w.Open(name, 2, "?", "?", 0, 1);
        }
        for (long d = 0; d < 1000000; ++d) w.Close();
    } else if (shape == "tiny") {
        w.Open("Pelorand", 2, "?", "?", 0, 1);
        for (long d = 0; d < 100000; ++d) {
            std::snprintf(name, sizeof name, "album %ld", d);
            w.Open(name, 2, "?", "?", 0, 1);
            for (long e = 0; e < 10; ++e) {
                std::snprintf(path, sizeof path, "C:\\pics\\album%ld\\%ld.jpg", d, e);
                w.Data(path, 2, "?", "?", 0, 1);
            }
            w.Close();
        }
        w.Close();
    } else if (shape == "long") {
        // Paths of 200 bytes: a deep directory part and a long file name.
        w.Open("Pelorand", 2, "?", "?", 0, 1);
        for (long d = 0; d < 10000; ++d) {
            std::snprintf(name, sizeof name, "Landscapes and cities, part %ld", d);
            w.Open(name, 2, "?", "?", 0, 1);
            for (long e = 0; e < 100; ++e) {
                int n = std::snprintf(path, sizeof path,
                                      "C:\\Users\\someone\\Pictures\\Wallpapers\\Collected "
                                      "landscapes and cities\\%04ld\\part %05ld\\%07ld ",
                                      d / 100, d, d * 100 + e);
                for (; n < 196; ++n) path[n] = static_cast<char>('a' + n % 26);
                std::strcpy(path + n, ".jpg");
                w.Data(path, 2, "?", "?", 0, 1);
            }
            w.Close();
        }
        w.Close();
    } else {
        std::fclose(f);
        std::remove(file);
        return 2;
    }
    bool ok = w.Flush();
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

// Without recursion: a collection may nest a million folders deep.
long CountEntries(const CBlock& root) {
    long n = 0;
    std::vector<const CBlock*> pending{&root};
    while (!pending.empty()) {
        const CBlock* entry = pending.back();
        pending.pop_back();
        ++n;
        for (int i = 0; i < entry->m_Children.GetCount(); ++i)
            pending.push_back(entry->m_Children.GetAtIndex(i));
    }
    return n;
}

}  // namespace

// The whole process as the system accounts for it, to the microsecond.
int TimeCommand(char** argv) {
    const double start = Now();
    const pid_t child = fork();
    if (child < 0) return 1;
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, 1);
        execvp(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) return 1;
    const double wall = Now() - start;
    const long cpu = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000L +
                     usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
    std::printf("%ld %ld %ld\n", static_cast<long>(wall * 1e6), cpu, usage.ru_maxrss);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

int main(int argc, char** argv) {
    if (argc >= 3 && !std::strcmp(argv[1], "time")) return TimeCommand(argv + 2);
    blockpool::UseSystemChunks();  // as plr does
    if (argc >= 3 && !std::strcmp(argv[1], "generate")) {
        long entries = argc > 3 ? std::atol(argv[3]) : 1000000;
        long folders = argc > 4 ? std::atol(argv[4]) : 10000;
        return Generate(argv[2], entries, folders);
    }
    if (argc >= 3 && !std::strcmp(argv[1], "shape")) {
        if (!std::strcmp(argv[2], "list")) {
            for (const char* shape : kShapes) std::printf("%s\n", shape);
            return 0;
        }
        if (argc < 4) return 2;
        int rc = GenerateShape(argv[2], argv[3]);
        if (rc == 2) std::fprintf(stderr, "unknown shape %s\n", argv[2]);
        return rc;
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
                 "usage: bench_collection generate FILE [ENTRIES] [FOLDERS] | shape NAME FILE | read FILE | "
                 "roundtrip IN OUT | reuse FILE\n");
    return 2;
}
