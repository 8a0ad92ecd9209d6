#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

mode_t NewFileMode() {
    // The mode a file created by an ordinary open would get.
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool SaveReplacing(const std::string& path,
                   const std::function<bool(std::FILE* file, std::string& error)>& write,
                   std::string& error) {
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
    // mkstemp creates the name exclusively: an existing file or link there makes it try another.
    std::string temp = DirectoryOf(target) + "/~plr.XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    if (exists) {
        if (fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Only the owner's own group or the super-user may give the file away; keep ours.
        }
        fchmod(fd, st.st_mode & 07777);
    } else {
        fchmod(fd, NewFileMode());
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
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = std::strerror(errno);
    }
    if (ok && std::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        error = std::strerror(errno);
    }
    if (!ok) unlink(temp.c_str());
    return ok;
}
