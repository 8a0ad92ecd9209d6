#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "model/CollectionFile.h"
#include "model/FileReplace_win.h"
#include "win/Handles.h"
#include "win/Strconv.h"

namespace {

std::wstring Widen(const std::string& text) {
    return ToWide(text);
}

// Names made here are of the target's folder and our own ASCII: CP932 holds them.
std::string Narrow(const std::wstring& text) {
    return ToMultiByteLossy(text);
}

// The absolute path with the prefix that lifts the MAX_PATH limit: the temporary file's name
// is longer than the target's, and a target near the limit must still be saved.
std::wstring LongPath(const std::wstring& path) {
    if (path.compare(0, 4, L"\\\\?\\") == 0) return path;
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(path.c_str(), n, &full[0], nullptr);
    full.resize(n);
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    CUniqueLocal owner(text);
    std::string out = text ? ToMultiByteLossy(text) : "error " + std::to_string(code);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' '))
        out.pop_back();
    return out;
}

// The file a link at path leads to, or path itself.
std::wstring FollowLinks(const std::wstring& path) {
    CUniqueFile file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return path;
    wchar_t buffer[32768];
    DWORD n = GetFinalPathNameByHandleW(file.Get(), buffer, 32768,
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    file.Reset();
    if (n == 0 || n >= 32768) return path;
    return std::wstring(buffer, n);
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A name beside the target that no file has: our own kind ("~plr"), never the user's.
std::wstring FreshName(const std::wstring& dir, const wchar_t* suffix) {
    static std::atomic<unsigned> s_counter{0};
    for (;;) {
        wchar_t name[64];
        swprintf(name, 64, L"\\~plr%lx-%llx-%x.%ls", GetCurrentProcessId(),
                 static_cast<unsigned long long>(GetTickCount64()), s_counter++, suffix);
        if (!Exists(dir + name)) return dir + name;
    }
}

// Errors that a sync client, a virus scanner or the indexer causes while it holds the file
// for a moment without sharing delete: worth another try.
bool IsPassing(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED ||
           code == ERROR_LOCK_VIOLATION || code == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// The waits between tries: about a second in all before a failure is reported.
const DWORD kRetryWaits[] = {50, 100, 150, 200, 250, 300};

// A path as the user knows it: without the prefix that lifts the length limit.
std::wstring Displayed(const std::wstring& path) {
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + path.substr(8);
    if (path.compare(0, 4, L"\\\\?\\") == 0) return path.substr(4);
    return path;
}

// The saved collection that could not take its place gets a name that says what it is and
// opens as a collection: "<name> (保存できなかった内容).plr"; its temporary name if that fails.
std::wstring KeepUnderATellingName(const std::wstring& target, const std::wstring& temp,
                                   const FileReplaceOps& ops) {
    const std::size_t slash = target.find_last_of(L"\\/");
    const std::size_t dot = target.find_last_of(L'.');
    const std::wstring stem =
        dot != std::wstring::npos && dot > slash + 1 ? target.substr(0, dot) : target;
    for (int n = 1; n < 100; ++n) {
        std::wstring name = stem + L" (保存できなかった内容" +
                            (n > 1 ? L" " + std::to_wstring(n) : std::wstring()) + L").plr";
        if (Exists(name)) continue;
        if (ops.move(temp.c_str(), name.c_str(), MOVEFILE_WRITE_THROUGH)) return name;
        break;
    }
    return temp;
}

enum class Recovery { Placed, TargetThere, Kept };

// After a failed replace: when the target is gone, the saved file goes into its place, or the
// old one comes back and the saved one stays where it is (keptAt names it).
Recovery Recover(const std::wstring& target, const std::wstring& temp, const std::wstring& backup,
                 const FileReplaceOps& ops, std::string& error, std::string* keptAt) {
    if (Exists(target)) return Recovery::TargetThere;  // the old file, or another save's
    for (std::size_t attempt = 0;; ++attempt) {
        if (ops.move(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
            DeleteFileW(backup.c_str());
            return Recovery::Placed;
        }
        const DWORD code = GetLastError();
        // Another save put a whole file there, even if a third one has the name again by now
        // (it will put its own file there in turn).
        if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS)
            return Recovery::TargetThere;
        if (Exists(target) || !IsPassing(code) || attempt == std::size(kRetryWaits)) break;
        ops.wait(kRetryWaits[attempt]);
    }
    // Another save put a whole file there meanwhile.
    if (Exists(target)) return Recovery::TargetThere;
    // The old collection goes back under its name; the saved one is kept for the user.
    if (Exists(backup)) ops.move(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    const std::wstring kept = KeepUnderATellingName(target, temp, ops);
    if (keptAt) *keptAt = Narrow(Displayed(kept));
    error += " (the collection is kept in " + Narrow(Displayed(kept)) + ")";
    if (Exists(backup)) error += " (the previous file is " + Narrow(Displayed(backup)) + ")";
    return Recovery::Kept;
}

// Errors of shares and file systems that cannot replace a file in one step (an SMB share
// without full control, FAT32, exFAT, WebDAV): the file is put in place by two renames.
bool ReplaceUnsupported(DWORD code) {
    return code == ERROR_ACCESS_DENIED || code == ERROR_INVALID_PARAMETER ||
           code == ERROR_NOT_SUPPORTED || code == ERROR_INVALID_FUNCTION;
}

}  // namespace

const FileReplaceOps& SystemFileReplaceOps() {
    static const FileReplaceOps ops = {
        [](const wchar_t* target, const wchar_t* replacement, const wchar_t* backup) {
            return ReplaceFileW(target, replacement, backup, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                nullptr, nullptr);
        },
        [](const wchar_t* from, const wchar_t* to, DWORD flags) {
            return MoveFileExW(from, to, flags);
        },
        [](DWORD milliseconds) { Sleep(milliseconds); },
    };
    return ops;
}

bool SaveReplacing(const std::string& path,
                   const std::function<bool(std::FILE* file, std::string& error)>& write,
                   std::string& error, std::string* keptAt) {
    return SaveReplacingWith(path, write, error, keptAt, SystemFileReplaceOps());
}

bool SaveReplacingWith(const std::string& path,
                       const std::function<bool(std::FILE* file, std::string& error)>& write,
                       std::string& error, std::string* keptAt, const FileReplaceOps& ops) {
    if (keptAt) keptAt->clear();
    std::wstring target = LongPath(Widen(path));
    DWORD attributes = GetFileAttributesW(target.c_str());
    bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    // Asked of every existing target, not only of reparse points: Wine shows a Unix link as a
    // plain file, and replacing it would turn the link into a file and remove the file it led to.
    if (exists) {
        target = LongPath(FollowLinks(target));
        attributes = GetFileAttributesW(target.c_str());
        exists = attributes != INVALID_FILE_ATTRIBUTES;
    }
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = "not a regular file";
        return false;
    }
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) {
        error = "the file is read-only";
        return false;
    }
    const std::wstring dir = target.substr(0, target.find_last_of(L"\\/"));
    // CREATE_NEW makes the name exclusively: an existing file or link there makes us try another.
    static std::atomic<unsigned> s_counter{0};
    std::wstring temp;
    CUniqueFile h;
    for (int attempt = 0; attempt < 100 && !h; ++attempt) {
        wchar_t name[64];
        swprintf(name, 64, L"\\~plr%lx-%llx-%x.tmp", GetCurrentProcessId(),
                 static_cast<unsigned long long>(GetTickCount64()), s_counter++);
        temp = dir + name;
        h.Reset(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    if (!h) {
        error = SystemMessage(GetLastError());
        return false;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h.Get()), _O_WRONLY | _O_BINARY);
    // From here the descriptor owns the handle.
    if (fd >= 0) h.Detach();
    std::FILE* file = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
    if (!file) {
        error = "cannot write the temporary file";
        if (fd >= 0) _close(fd);
        h.Reset();
        DeleteFileW(temp.c_str());
        return false;
    }
    bool ok;
    try {
        ok = write(file, error);
    } catch (...) {
        std::fclose(file);
        DeleteFileW(temp.c_str());
        throw;
    }
    // On the disk before it takes the old file's place: a power cut then leaves the old
    // collection or the new one, never an empty file under the collection's name.
    if (ok && (std::fflush(file) != 0 ||
               !FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))))) {
        ok = false;
        error = SystemMessage(GetLastError());
    }
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = "cannot write the temporary file";
    }
    if (!ok) {
        DeleteFileW(temp.c_str());
        return false;
    }
    // The old file goes to a backup name of ours while the new one takes its place: left to
    // itself ReplaceFile may choose a name of its own, which stays behind when it fails, and
    // after a failure the old file is always found.
    const std::wstring backup = exists ? FreshName(dir, L"bak") : std::wstring();
    DWORD code = 0;
    for (std::size_t attempt = 0;; ++attempt) {
        // ReplaceFile gives the new file the old one's attributes, security and streams.
        const BOOL replaced = exists ? ops.replace(target.c_str(), temp.c_str(), backup.c_str())
                                     : ops.move(temp.c_str(), target.c_str(),
                                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (replaced) {
            if (exists) DeleteFileW(backup.c_str());
            return true;
        }
        code = GetLastError();
        error = SystemMessage(code);
        if (exists && !Exists(target)) {
            // ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 above all: the old file is at the backup
            // name, the target is missing, and the saved file is the only copy of the new.
            const Recovery recovery = Recover(target, temp, backup, ops, error, keptAt);
            if (recovery == Recovery::Placed) return true;
            if (recovery == Recovery::Kept) return false;
            break;
        }
        if (!IsPassing(code) || attempt == std::size(kRetryWaits)) break;
        ops.wait(kRetryWaits[attempt]);
    }
    if (exists && ReplaceUnsupported(code) && Exists(target)) {
        // The old file to the backup name, the saved one into its place, the backup away.
        if (ops.move(target.c_str(), backup.c_str(), MOVEFILE_WRITE_THROUGH)) {
            if (ops.move(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
                // Of what ReplaceFile carries over, the attributes at least stay.
                const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                 FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
                if (kept) SetFileAttributesW(target.c_str(), kept | FILE_ATTRIBUTE_ARCHIVE);
                DeleteFileW(backup.c_str());
                error.clear();
                return true;
            }
            error = SystemMessage(GetLastError());
            // As after a replace that stopped half-way: the target is missing.
            const Recovery recovery = Recover(target, temp, backup, ops, error, keptAt);
            if (recovery == Recovery::Placed) return true;
            if (recovery == Recovery::Kept) return false;
        } else {
            error = SystemMessage(GetLastError());
        }
    }
    // The target holds a whole file: the old one, or another save's.
    DeleteFileW(temp.c_str());
    if (exists) DeleteFileW(backup.c_str());
    return false;
}

std::FILE* OpenStdioFile(const std::string& path, const char* mode) {
    return _wfopen(ToWide(path).c_str(), ToWide(mode).c_str());
}
