// Where the framework keeps what it remembers between runs (the recent-file list): named
// strings in sections. The program hands the application one (CWinApp::SetProfileStore).
#pragma once

#include <string>

class IProfileStore {
  public:
    virtual ~IProfileStore() = default;
    virtual std::string GetString(const std::string& section, const std::string& name,
                                  const std::string& def) const = 0;
    virtual bool WriteString(const std::string& section, const std::string& name,
                             const std::string& value) = 0;
    // Removes every value of section.
    virtual bool ClearSection(const std::string& section) = 0;
};
