// The decoded thumbnails of the pane, by key, within a budget of bytes: when a new one would
// go beyond it, the least recently drawn go first (never the one just come).
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

struct CachedThumbnail {
    std::vector<std::uint32_t> pixels;  // top-down BGRA rows
    int width = 0, height = 0;
    bool broken = false;  // the picture could not be decoded: drawn as a frame with its text
};

class CThumbnailCache {
  public:
    bool Contains(const std::string& key) const { return m_entries.count(key) != 0; }
    // The thumbnail without counting it as drawn; null when it is not held.
    const CachedThumbnail* Peek(const std::string& key) const;
    // The thumbnail, drawn now: the last to go. Null when it is not held.
    const CachedThumbnail* Use(const std::string& key);
    // Holds thumbnail under key (a key held already keeps what it has), then lets the oldest
    // go until the budget holds.
    void Add(const std::string& key, CachedThumbnail thumbnail);
    std::size_t Bytes() const { return m_bytes; }

    std::size_t m_budget = 96u * 1024 * 1024;

  private:
    struct Entry {
        CachedThumbnail thumbnail;
        std::list<std::string>::iterator age;
    };
    static std::size_t BytesOf(const CachedThumbnail& thumbnail) {
        return thumbnail.pixels.size() * 4 + 64;
    }

    std::unordered_map<std::string, Entry> m_entries;
    std::list<std::string> m_ages;  // least recently drawn first
    std::size_t m_bytes = 0;
};
