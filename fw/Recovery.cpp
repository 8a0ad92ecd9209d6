#include "fw/Recovery.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <cstdio>

#include "fw/Document.h"
#include "model/Mbcs.h"
#include "win/Strconv.h"

std::string RecoveryCopyPath(const std::string& folder, const std::string& docPath) {
    if (folder.empty()) return {};
    std::string base = folder;
    if (base.back() != '\\' && base.back() != '/') base += '\\';
    if (docPath.empty()) return base + "untitled.plr";
    // Upper-cased as wide text: "C:\A.plr" and "c:\a.PLR" are one collection, and lower-casing
    // the code-page bytes would break double-byte names.
    std::wstring wide = ToWide(docPath);
    if (!wide.empty()) CharUpperBuffW(&wide[0], static_cast<DWORD>(wide.size()));
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (wchar_t c : wide) {
        hash ^= static_cast<std::uint16_t>(c);
        hash *= 1099511628211ull;
    }
    char hex[20];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return base + mbcs::FileName(docPath) + "-" + hex + ".plr";
}

bool WriteRecoveryCopy(CDocument& doc, const std::string& folder, std::string& copyPath,
                       std::string& error) {
    copyPath = RecoveryCopyPath(folder, doc.GetPathName());
    if (copyPath.empty()) {
        error = "no folder for recovery copies";
        return false;
    }
    const int made = SHCreateDirectoryExW(nullptr, ToWide(folder).c_str(), nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) {
        error = "cannot make " + folder;
        return false;
    }
    return doc.SaveCopy(copyPath, error);
}

std::string DefaultRecoveryFolder(const std::string& program) {
    wchar_t local[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)))
        return {};
    std::wstring folder = std::wstring(local) + L"\\" + ToWide(program) + L"\\Recovery";
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    // A profile whose name CP932 cannot hold is reached by its short name.
    std::string out;
    if (!PathToCp932(folder, out)) return {};
    return out;
}
