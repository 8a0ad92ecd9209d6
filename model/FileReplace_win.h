// The Windows calls that put a saved file in place, as a hook struct so that tests can make
// them fail the ways real disks, sync clients and virus scanners make them fail.
#pragma once

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

struct FileReplaceOps {
    // ReplaceFileW(target, replacement, backup, REPLACEFILE_IGNORE_MERGE_ERRORS, ...).
    std::function<BOOL(const wchar_t* target, const wchar_t* replacement, const wchar_t* backup)>
        replace;
    // MoveFileExW.
    std::function<BOOL(const wchar_t* from, const wchar_t* to, DWORD flags)> move;
    // Waits before another try while something else holds the target.
    std::function<void(DWORD milliseconds)> wait;
};

// The real calls.
const FileReplaceOps& SystemFileReplaceOps();

// SaveReplacing (CollectionFile.h) with the given calls.
bool SaveReplacingWith(const std::string& path,
                       const std::function<bool(std::FILE* file, std::string& error)>& write,
                       std::string& error, std::string* keptAt, const FileReplaceOps& ops);
