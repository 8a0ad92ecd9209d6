#include "fw/RecentFileList.h"

#include <algorithm>
#include <cstdio>

#include "fw/ProfileStore.h"
#include "model/Mbcs.h"

CRecentFileList::CRecentFileList(std::string section, std::string entryFormat, int size)
    : m_section(std::move(section)), m_format(std::move(entryFormat)), m_size(std::max(size, 0)) {}

void CRecentFileList::Add(const std::string& path) {
    if (path.empty() || m_size == 0) return;
    const std::string key = mbcs::ToLower(path);
    m_items.erase(std::remove_if(m_items.begin(), m_items.end(),
                                 [&](const std::string& p) { return mbcs::ToLower(p) == key; }),
                  m_items.end());
    m_items.insert(m_items.begin(), path);
    if (static_cast<int>(m_items.size()) > m_size) m_items.resize(static_cast<std::size_t>(m_size));
}

void CRecentFileList::Remove(int index) {
    if (index >= 0 && index < static_cast<int>(m_items.size()))
        m_items.erase(m_items.begin() + index);
}

std::string CRecentFileList::EntryName(int number) const {
    char name[64];
    std::snprintf(name, sizeof name, m_format.c_str(), number);
    return name;
}

void CRecentFileList::ReadList(const IProfileStore& store) {
    m_items.clear();
    for (int i = 1; i <= m_size; ++i) {
        std::string path = store.GetString(m_section, EntryName(i), "");
        if (!path.empty()) m_items.push_back(path);
    }
}

void CRecentFileList::WriteList(IProfileStore& store) const {
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        store.WriteString(m_section, EntryName(static_cast<int>(i) + 1), m_items[i]);
    }
}

std::string CRecentFileList::MenuText(int index, const std::string& path) {
    std::string text = "&" + std::to_string(index + 1) + " ";
    for (std::size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (mbcs::IsLeadByte(c) && i + 1 < path.size()) {
            text += path.substr(i, 2);
            ++i;
        } else {
            if (c == '&') text += '&';
            text += path[i];
        }
    }
    return text;
}
