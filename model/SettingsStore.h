// Where settings live: named integers and strings in sections. The Windows program keeps
// them in the registry; tests and the command-line tool keep them in memory.
#pragma once

#include <map>
#include <string>
#include <utility>

class ISettingsStore {
  public:
    virtual ~ISettingsStore() = default;
    virtual int GetInt(const std::string& section, const std::string& name, int def) const = 0;
    virtual std::string GetString(const std::string& section, const std::string& name,
                                  const std::string& def) const = 0;
    virtual bool WriteInt(const std::string& section, const std::string& name, int value) = 0;
    virtual bool WriteString(const std::string& section, const std::string& name,
                             const std::string& value) = 0;
};

class CMemorySettingsStore : public ISettingsStore {
  public:
    int GetInt(const std::string& section, const std::string& name, int def) const override;
    std::string GetString(const std::string& section, const std::string& name,
                          const std::string& def) const override;
    bool WriteInt(const std::string& section, const std::string& name, int value) override;
    bool WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override;
    bool Has(const std::string& section, const std::string& name) const;
    void Clear() {
        m_ints.clear();
        m_strings.clear();
    }

  private:
    using Key = std::pair<std::string, std::string>;
    std::map<Key, int> m_ints;
    std::map<Key, std::string> m_strings;
};
