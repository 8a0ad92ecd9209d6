// Settings in a text file of sections and values, for systems without a registry:
//   [Option]
//   ChangerType=600
//   FileType=BMP JPG HTML
// Section and value names are the registry's. The file is read at every call, as the registry
// would be, so a value edited while a program runs is seen at its next read; a missing file, a
// missing value or an integer that does not parse yields the caller's default.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>

#include "model/SettingsStore.h"

class CIniSettingsStore : public ISettingsStore {
  public:
    explicit CIniSettingsStore(std::string path);

    int GetInt(const std::string& section, const std::string& name, int def) const override;
    std::string GetString(const std::string& section, const std::string& name,
                          const std::string& def) const override;
    // Rewrites the whole file through a temporary one that replaces it once written.
    bool WriteInt(const std::string& section, const std::string& name, int value) override;
    bool WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override;

    const std::string& Path() const { return m_path; }

    // Told of a value that is there but is no whole number, with its line and the default
    // used instead (at every such read: the caller may say it once).
    using BadValueSink = std::function<void(const std::string& message)>;
    void SetBadValueSink(BadValueSink sink) { m_badValue = std::move(sink); }

    struct Value {
        std::string section, name, text;  // as spelt in the file
        int line = 0;                     // where the file says it, from 1
    };
    // Keyed by section and name folded to lower case.
    using Values = std::map<std::pair<std::string, std::string>, Value>;
    // The text of a file (a UTF-8 byte-order mark before it is skipped): '#' and ';' start
    // comments, blanks around names and values are dropped, the last of two equal names wins, names
    // compare without case as the registry's.
    static Values Parse(const std::string& text);
    static std::string Format(const Values& values);
    // A whole decimal number within int, with an optional sign; false for anything else.
    static bool ParseInt(const std::string& text, int& value);

  private:
    bool Load(Values& values) const;
    bool Store(const std::string& section, const std::string& name, const std::string& value);

    std::string m_path;
    BadValueSink m_badValue;
};
