#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "fw/Handles.h"
#include "model/CollectionFile.h"

namespace {

std::wstring Widen(const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                        nullptr);
    return out;
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
    char* text = nullptr;
    FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    CUniqueLocal owner(text);
    std::string out = text ? text : "error " + std::to_string(code);
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

}  // namespace

bool SaveReplacing(const std::string& path,
                   const std::function<bool(std::FILE* file, std::string& error)>& write,
                   std::string& error) {
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
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = "cannot write the temporary file";
    }
    if (ok) {
        // ReplaceFile gives the new file the old one's attributes, security and streams.
        BOOL replaced = exists ? ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                                              REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                               : MoveFileExW(temp.c_str(), target.c_str(),
                                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!replaced) {
            DWORD code = GetLastError();
            if (exists && code == ERROR_UNABLE_TO_MOVE_REPLACEMENT &&
                GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
                // The old file is gone already and the temporary file is the only copy: move
                // it into place, or keep it where the user can find it.
                if (MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
                DWORD moveCode = GetLastError();
                if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
                    error = SystemMessage(moveCode) + " (the collection is kept in " +
                            Narrow(temp) + ")";
                    return false;
                }
                // Another save put a whole file there meanwhile: ours is not needed any more.
            }
            ok = false;
            error = SystemMessage(code);
        }
    }
    if (!ok) DeleteFileW(temp.c_str());
    return ok;
}
