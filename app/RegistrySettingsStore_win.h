// Settings in HKEY_CURRENT_USER\Software\<company>\<application>\<section>.
#pragma once

#include <string>

#include "fw/ProfileStore.h"
#include "model/SettingsStore.h"

// The program's settings, and the framework's profile (the recent-file list), in one place.
class CRegistrySettingsStore : public ISettingsStore, public IProfileStore {
  public:
    CRegistrySettingsStore(std::string company, std::string application);

    int GetInt(const std::string& section, const std::string& name, int def) const override;
    std::string GetString(const std::string& section, const std::string& name,
                          const std::string& def) const override;
    bool WriteInt(const std::string& section, const std::string& name, int value) override;
    bool WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override;

    // Removes every value of a section (the recent-file list is rewritten this way).
    bool ClearSection(const std::string& section) override;
    // "Software\<company>\<application>\<section>"
    std::string KeyPath(const std::string& section) const;

  private:
    std::string m_company;
    std::string m_application;
};
