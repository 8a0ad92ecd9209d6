// The name of an entry (a folder's display name, a file entry's full path), kept in the block
// pool. It reads like the std::string it replaces: it converts to one, compares with strings
// and takes strings, so the code using entries' names stays as it is.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

class CBlockName {
  public:
    CBlockName() = default;
    explicit CBlockName(std::string_view text) { assign(text); }
    CBlockName(const CBlockName& other) { assign(other.view()); }
    CBlockName& operator=(const CBlockName& other) {
        if (this != &other) assign(other.view());
        return *this;
    }
    CBlockName& operator=(std::string_view text) {
        assign(text);
        return *this;
    }
    ~CBlockName() { Release(); }

    void assign(std::string_view text);
    void clear() { Release(); }

    std::string_view view() const {
        if (!m_pRecord) return std::string_view();
        std::size_t header;
        std::size_t length = Length(header);
        return std::string_view(m_pRecord + header, length);
    }
    std::string str() const { return std::string(view()); }
    operator std::string() const { return str(); }
    operator std::string_view() const { return view(); }

    bool empty() const { return m_pRecord == nullptr; }
    std::size_t size() const { return view().size(); }
    std::size_t length() const { return size(); }
    const char* data() const { return view().data(); }

  private:
    std::size_t Length(std::size_t& header) const;
    void Release();

    char* m_pRecord = nullptr;  // length, then the bytes; null when empty
};

inline bool operator==(const CBlockName& a, std::string_view b) {
    return a.view() == b;
}
inline bool operator==(std::string_view a, const CBlockName& b) {
    return a == b.view();
}
inline bool operator==(const CBlockName& a, const CBlockName& b) {
    return a.view() == b.view();
}
inline bool operator==(const CBlockName& a, const std::string& b) {
    return a.view() == b;
}
inline bool operator==(const std::string& a, const CBlockName& b) {
    return a == b.view();
}
inline bool operator==(const CBlockName& a, const char* b) {
    return a.view() == b;
}
inline bool operator==(const char* a, const CBlockName& b) {
    return a == b.view();
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
    return a + std::string(b.view());
}
inline std::string operator+(const CBlockName& a, const char* b) {
    return a.str() + b;
}
inline std::string operator+(const char* a, const CBlockName& b) {
    return a + std::string(b.view());
}
inline std::string operator+(const CBlockName& a, char b) {
    return a.str() + b;
}

std::ostream& operator<<(std::ostream& out, const CBlockName& name);
