#include "app/RegistrySettingsStore_win.h"

#include <windows.h>

#include <utility>
#include <vector>

namespace {

// Opens a key for reading; the caller closes it. Null when it does not exist.
HKEY OpenForRead(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

HKEY OpenForWrite(const std::string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return nullptr;
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
    HKEY key = OpenForRead(KeyPath(section));
    if (!key) return def;
    DWORD type = 0, value = 0, size = sizeof value;
    LONG rc =
        RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return def;
    return static_cast<int>(value);
}

std::string CRegistrySettingsStore::GetString(const std::string& section, const std::string& name,
                                              const std::string& def) const {
    HKEY key = OpenForRead(KeyPath(section));
    if (!key) return def;
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
    std::string value;
    if (rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::vector<char> buffer(size + 1, '\0');
        DWORD got = size;
        rc = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(buffer.data()), &got);
        if (rc == ERROR_SUCCESS) value.assign(buffer.data());  // stops at the terminator
    } else {
        rc = ERROR_FILE_NOT_FOUND;
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? value : def;
}

bool CRegistrySettingsStore::WriteInt(const std::string& section, const std::string& name,
                                      int value) {
    HKEY key = OpenForWrite(KeyPath(section));
    if (!key) return false;
    DWORD data = static_cast<DWORD>(value);
    LONG rc = RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                             sizeof data);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool CRegistrySettingsStore::WriteString(const std::string& section, const std::string& name,
                                         const std::string& value) {
    HKEY key = OpenForWrite(KeyPath(section));
    if (!key) return false;
    LONG rc =
        RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool CRegistrySettingsStore::ClearSection(const std::string& section) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath(section).c_str(), 0, KEY_READ | KEY_WRITE, &key) !=
        ERROR_SUCCESS) {
        return true;  // nothing to clear
    }
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    bool ok = true;
    for (const auto& n : names) ok = RegDeleteValueA(key, n.c_str()) == ERROR_SUCCESS && ok;
    RegCloseKey(key);
    return ok;
}
