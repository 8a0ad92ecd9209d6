#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "model/CollectionFile.h"

namespace {

std::string DirectoryOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows symbolic links at path to the file they lead to (which need not exist yet).
bool FollowLinks(const std::string& path, std::string& target, struct stat& st, bool& exists,
                 std::string& error) {
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        if (lstat(target.c_str(), &st) != 0) {
            if (errno != ENOENT) {
                error = std::strerror(errno);
                return false;
            }
            exists = false;
            return true;
        }
        if (!S_ISLNK(st.st_mode)) {
            exists = true;
            return true;
        }
        char link[PATH_MAX];
        ssize_t n = readlink(target.c_str(), link, sizeof link - 1);
        if (n < 0) {
            error = std::strerror(errno);
            return false;
        }
        std::string next(link, static_cast<std::size_t>(n));
        target = next[0] == '/' ? next : DirectoryOf(target) + "/" + next;
    }
    error = std::strerror(ELOOP);
    return false;
}

// Creates a file of our own kind ("~plr." and six characters) in dir that did not exist, with
// mode (less the process's umask, which the kernel applies as it creates the file: no umask
// call, which would race with other threads). Never opens through an existing name or link.
int CreateFresh(const std::string& dir, mode_t mode, std::string& temp) {
    static std::atomic<unsigned> s_counter{0};
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 1000; ++attempt) {
        struct timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        unsigned long long seed =
            static_cast<unsigned long long>(now.tv_nsec) ^
            (static_cast<unsigned long long>(getpid()) << 20) ^
            (static_cast<unsigned long long>(s_counter++) * 0x9E3779B97F4A7C15ull);
        std::string name = "/~plr.";
        for (int i = 0; i < 6; ++i) {
            name += kLetters[seed % 62];
            seed /= 62;
        }
        temp = dir + name;
        int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

bool SaveReplacing(const std::string& path,
                   const std::function<bool(std::FILE* file, std::string& error)>& write,
                   std::string& error, std::string* keptAt) {
    // rename replaces the target in one step: the target is never missing, nothing is kept.
    if (keptAt) keptAt->clear();
    std::string target;
    struct stat st;
    bool exists = false;
    if (!FollowLinks(path, target, st, exists, error)) return false;
    if (exists) {
        if (!S_ISREG(st.st_mode)) {
            error = "not a regular file";
            return false;
        }
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
            access(target.c_str(), W_OK) != 0) {
            error = "the file is read-only";
            return false;
        }
    }
    // A new collection gets the mode any new file gets; a replacing one starts private and
    // takes the old file's owner and mode on its descriptor before anything is written.
    const std::string dir = DirectoryOf(target);
    std::string temp;
    int fd = CreateFresh(dir, exists ? 0600 : 0666, temp);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    if (exists) {
        if (fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Only the owner's own group or the super-user may give the file away; keep ours.
        }
        fchmod(fd, st.st_mode & 07777);
    }
    std::FILE* file = fdopen(fd, "wb");
    if (!file) {
        error = std::strerror(errno);
        close(fd);
        unlink(temp.c_str());
        return false;
    }
    bool ok;
    try {
        ok = write(file, error);
    } catch (...) {
        std::fclose(file);
        unlink(temp.c_str());
        throw;
    }
    // On the disk before it takes the old file's place: a power cut then leaves the old
    // collection or the new one, never an empty file under the collection's name.
    if (ok && (std::fflush(file) != 0 || fsync(fileno(file)) != 0)) {
        ok = false;
        error = std::strerror(errno);
    }
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = std::strerror(errno);
    }
    if (ok && std::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        error = std::strerror(errno);
    }
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    // The rename itself is on the disk once the directory is. The collection is saved either
    // way: a directory that cannot be synchronised (some network file systems) is no failure.
    int dirFd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}

std::FILE* OpenStdioFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}
