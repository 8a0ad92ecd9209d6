#include "views/ThumbnailCache.h"

#include <utility>

const CachedThumbnail* CThumbnailCache::Peek(const std::string& key) const {
    auto found = m_entries.find(key);
    return found == m_entries.end() ? nullptr : &found->second.thumbnail;
}

const CachedThumbnail* CThumbnailCache::Use(const std::string& key) {
    auto found = m_entries.find(key);
    if (found == m_entries.end()) return nullptr;
    m_ages.splice(m_ages.end(), m_ages, found->second.age);  // drawn now: the youngest
    return &found->second.thumbnail;
}

void CThumbnailCache::Add(const std::string& key, CachedThumbnail thumbnail) {
    if (Contains(key)) return;
    m_bytes += BytesOf(thumbnail);
    m_ages.push_back(key);
    m_entries.emplace(key, Entry{std::move(thumbnail), std::prev(m_ages.end())});
    while (m_bytes > m_budget && m_ages.size() > 1) {
        auto oldest = m_entries.find(m_ages.front());
        m_bytes -= BytesOf(oldest->second.thumbnail);
        m_entries.erase(oldest);
        m_ages.pop_front();
    }
}
