// The name of an entry (a folder's display name, a file entry's full path), kept in the block
// pool. It reads like the std::string it replaces: it converts to one, compares with strings
// and takes strings, so the code using entries' names stays as it is.
//
// The file entries of a folder mostly lie in one directory, so a name read after a sibling's
// may share the directory part with it: the name then holds a counted reference to that part
// and only its own last part. A name is the same text either way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <string>
#include <string_view>

class CBlockName {
  public:
    CBlockName() = default;
    explicit CBlockName(std::string_view text) { assign(text); }
    CBlockName(const CBlockName& other) { assign(other.str()); }
    CBlockName& operator=(const CBlockName& other) {
        if (this != &other) assign(other.str());
        return *this;
    }
    CBlockName& operator=(std::string_view text) {
        assign(text);
        return *this;
    }
    ~CBlockName() { Release(); }

    void assign(std::string_view text);
    // As assign, sharing the directory part of like's name when it has the same one.
    void AssignSharing(std::string_view text, const CBlockName& like);
    void clear() { Release(); }

    // The text is head followed by tail; head is empty unless the directory part is shared.
    void Parts(std::string_view& head, std::string_view& tail) const {
        if (!m_pRecord) {
            head = tail = std::string_view();
        } else if (static_cast<unsigned char>(m_pRecord[0]) == kSharedMarker) {
            const char* shared;
            std::memcpy(&shared, m_pRecord + 1, sizeof shared);
            std::uint32_t length;
            std::memcpy(&length, shared + sizeof(std::uint32_t), sizeof length);
            head = std::string_view(shared + 2 * sizeof(std::uint32_t), length);
            tail = ReadPlain(m_pRecord + 1 + sizeof shared);
        } else {
            head = std::string_view();
            tail = ReadPlain(m_pRecord);
        }
    }
    std::string str() const;
    operator std::string() const { return str(); }

    bool empty() const { return m_pRecord == nullptr; }
    std::size_t size() const {
        std::string_view head, tail;
        Parts(head, tail);
        return head.size() + tail.size();
    }
    std::size_t length() const { return size(); }
    bool Equals(std::string_view text) const;

  private:
    // Record layouts, told apart by the first byte.
    static constexpr unsigned char kLongMarker = 0xFF;    // four length bytes, then the bytes
    static constexpr unsigned char kSharedMarker = 0xFE;  // a shared head, then a plain tail

    // Length and bytes of a plain record.
    static std::string_view ReadPlain(const char* record) {
        const unsigned char first = static_cast<unsigned char>(record[0]);
        if (first != kLongMarker) return std::string_view(record + 1, first);
        std::uint32_t length;
        std::memcpy(&length, record + 1, sizeof length);
        return std::string_view(record + 1 + sizeof length, length);
    }
    // Most names released are empty (an entry's before it is first named).
    void Release() {
        if (m_pRecord) ReleaseRecord();
    }
    void ReleaseRecord();
    // AssignSharing when like's shared part does not begin text, and text's directory part
    // (its first cut bytes) is worth sharing: it is looked up among those in use, or made.
#if defined(__GNUC__)
    __attribute__((noinline))
#endif
    void AssignSearching(std::string_view text, std::size_t cut);

    // A length byte (or a marker and four bytes) and the bytes, or a marker, a shared head
    // and then the tail as a plain record; null when empty.
    char* m_pRecord = nullptr;
};

inline bool operator==(const CBlockName& a, std::string_view b) {
    return a.Equals(b);
}
inline bool operator==(std::string_view a, const CBlockName& b) {
    return b.Equals(a);
}
inline bool operator==(const CBlockName& a, const std::string& b) {
    return a.Equals(b);
}
inline bool operator==(const std::string& a, const CBlockName& b) {
    return b.Equals(a);
}
inline bool operator==(const CBlockName& a, const char* b) {
    return a.Equals(b);
}
inline bool operator==(const char* a, const CBlockName& b) {
    return b.Equals(a);
}
inline bool operator==(const CBlockName& a, const CBlockName& b) {
    return a.Equals(b.str());
}
template <class T>
bool operator!=(const CBlockName& a, const T& b) {
    return !(a == b);
}
inline bool operator!=(const std::string& a, const CBlockName& b) {
    return !(a == b);
}
inline bool operator!=(const char* a, const CBlockName& b) {
    return !(a == b);
}

inline std::string operator+(const CBlockName& a, const std::string& b) {
    return a.str() + b;
}
inline std::string operator+(const std::string& a, const CBlockName& b) {
    return a + b.str();
}
inline std::string operator+(const CBlockName& a, const char* b) {
    return a.str() + b;
}
inline std::string operator+(const char* a, const CBlockName& b) {
    return a + b.str();
}
inline std::string operator+(const CBlockName& a, char b) {
    return a.str() + b;
}

std::ostream& operator<<(std::ostream& out, const CBlockName& name);
