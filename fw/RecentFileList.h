// The most-recently-used file list: newest first, no duplicates (paths compared without
// regard to ASCII case), at most a fixed number of entries.
#pragma once

#include <string>
#include <vector>

class IProfileStore;

class CRecentFileList {
  public:
    CRecentFileList(std::string section, std::string entryFormat, int size);

    void Add(const std::string& path);
    void Remove(int index);
    int GetSize() const { return m_size; }
    const std::vector<std::string>& Items() const { return m_items; }

    // Reads entries 1..size; empty or missing values are skipped.
    void ReadList(const IProfileStore& store);
    // Writes the entries as 1..count. Values past count are left as they are: the caller
    // clears the section first.
    void WriteList(IProfileStore& store) const;
    const std::string& Section() const { return m_section; }

    // The menu text of entry index: "&1 path", with '&' in the path doubled.
    static std::string MenuText(int index, const std::string& path);

  private:
    std::string EntryName(int number) const;
    std::string m_section;
    std::string m_format;
    int m_size;
    std::vector<std::string> m_items;
};
