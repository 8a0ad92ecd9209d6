#include "model/SettingsStore.h"

int CMemorySettingsStore::GetInt(const std::string& section, const std::string& name,
                                 int def) const {
    auto it = m_ints.find({section, name});
    return it == m_ints.end() ? def : it->second;
}

std::string CMemorySettingsStore::GetString(const std::string& section, const std::string& name,
                                            const std::string& def) const {
    auto it = m_strings.find({section, name});
    return it == m_strings.end() ? def : it->second;
}

bool CMemorySettingsStore::WriteInt(const std::string& section, const std::string& name,
                                    int value) {
    m_strings.erase({section, name});
    m_ints[{section, name}] = value;
    return true;
}

bool CMemorySettingsStore::WriteString(const std::string& section, const std::string& name,
                                       const std::string& value) {
    m_ints.erase({section, name});
    m_strings[{section, name}] = value;
    return true;
}

bool CMemorySettingsStore::Has(const std::string& section, const std::string& name) const {
    return m_ints.count({section, name}) || m_strings.count({section, name});
}
