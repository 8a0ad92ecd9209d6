#include "app/RegistrySettingsStore_win.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "win/Handles.h"
#include "win/Strconv.h"

namespace {

// The registry keeps texts in UTF-16 whatever the call: the wide form of the program's CP932
// texts is what the multibyte calls stored on a Japanese system, so values written before read
// back the same, and values written here read right on a system of any code page.

// Empty when the key does not exist.
CUniqueKey OpenForRead(const std::string& path, REGSAM access = KEY_READ) {
    CUniqueKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, ToWide(path).c_str(), 0, access, key.Put()) != ERROR_SUCCESS) {
        key.Reset();
    }
    return key;
}

CUniqueKey OpenForWrite(const std::string& path) {
    CUniqueKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, ToWide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE, nullptr, key.Put(), nullptr) != ERROR_SUCCESS) {
        key.Reset();
    }
    return key;
}

}  // namespace

CRegistrySettingsStore::CRegistrySettingsStore(std::string company, std::string application)
    : m_company(std::move(company)), m_application(std::move(application)) {}

std::string CRegistrySettingsStore::KeyPath(const std::string& section) const {
    return "Software\\" + m_company + "\\" + m_application + "\\" + section;
}

int CRegistrySettingsStore::GetInt(const std::string& section, const std::string& name,
                                   int def) const {
    CUniqueKey key = OpenForRead(KeyPath(section));
    if (!key) return def;
    DWORD type = 0, value = 0, size = sizeof value;
    LONG rc = RegQueryValueExW(key.Get(), ToWide(name).c_str(), nullptr, &type,
                               reinterpret_cast<BYTE*>(&value), &size);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return def;
    return static_cast<int>(value);
}

std::string CRegistrySettingsStore::GetString(const std::string& section, const std::string& name,
                                              const std::string& def) const {
    CUniqueKey key = OpenForRead(KeyPath(section));
    if (!key) return def;
    const std::wstring wideName = ToWide(name);
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExW(key.Get(), wideName.c_str(), nullptr, &type, nullptr, &size);
    std::string value;
    if (rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
        // Room for an odd size and a missing terminator.
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
        DWORD got = size;
        rc = RegQueryValueExW(key.Get(), wideName.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(buffer.data()), &got);
        if (rc == ERROR_SUCCESS) value = UiFromWide(buffer.data());  // stops at the terminator
    } else {
        rc = ERROR_FILE_NOT_FOUND;
    }
    return rc == ERROR_SUCCESS ? value : def;
}

bool CRegistrySettingsStore::WriteInt(const std::string& section, const std::string& name,
                                      int value) {
    CUniqueKey key = OpenForWrite(KeyPath(section));
    if (!key) return false;
    DWORD data = static_cast<DWORD>(value);
    LONG rc = RegSetValueExW(key.Get(), ToWide(name).c_str(), 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&data), sizeof data);
    return rc == ERROR_SUCCESS;
}

bool CRegistrySettingsStore::WriteString(const std::string& section, const std::string& name,
                                         const std::string& value) {
    CUniqueKey key = OpenForWrite(KeyPath(section));
    if (!key) return false;
    const std::wstring wide = ToWide(value);
    LONG rc = RegSetValueExW(key.Get(), ToWide(name).c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(wide.c_str()),
                             static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    return rc == ERROR_SUCCESS;
}

bool CRegistrySettingsStore::ClearSection(const std::string& section) {
    CUniqueKey key = OpenForRead(KeyPath(section), KEY_READ | KEY_WRITE);
    if (!key) return true;  // nothing to clear
    // Kept wide: a name some other program wrote need not be one CP932 can hold.
    std::vector<std::wstring> names;
    std::vector<wchar_t> name(16384, L'\0');  // a value name has up to 16,383 characters
    for (DWORD i = 0;; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumValueW(key.Get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name.data(), length);
    }
    bool ok = true;
    for (const auto& n : names) ok = RegDeleteValueW(key.Get(), n.c_str()) == ERROR_SUCCESS && ok;
    return ok;
}
