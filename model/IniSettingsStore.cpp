#include "model/IniSettingsStore.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Registry names are compared without case; only ASCII letters are folded, so the bytes of a
// multibyte name are never changed.
std::string Folded(const std::string& name) {
    std::string out = name;
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

}  // namespace

CIniSettingsStore::CIniSettingsStore(std::string path) : m_path(std::move(path)) {}

CIniSettingsStore::Values CIniSettingsStore::Parse(const std::string& text) {
    Values values;
    // Editors on Windows write a byte-order mark; it is no part of the first line's name.
    const bool marked = text.compare(0, 3, "\xEF\xBB\xBF") == 0;
    std::istringstream lines(marked ? text.substr(3) : text);
    std::string line, section;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        line = Trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        if (line[0] == '[') {
            const std::size_t close = line.rfind(']');
            section =
                Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;  // not a value: ignored as a comment would be
        const std::string name = Trim(line.substr(0, equals));
        values[{Folded(section), Folded(name)}] = {section, name, Trim(line.substr(equals + 1)),
                                                   number};
    }
    return values;
}

std::string CIniSettingsStore::Format(const Values& values) {
    std::string text, section;
    bool first = true;
    for (const auto& [key, value] : values) {
        if (first || key.first != section) {
            if (!first) text += '\n';
            section = key.first;
            text += "[" + value.section + "]\n";
            first = false;
        }
        text += value.name + "=" + value.text + "\n";
    }
    return text;
}

bool CIniSettingsStore::ParseInt(const std::string& text, int& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || end == text.c_str()) return false;
    if (text[0] == ' ' || text[0] == '\t') return false;
    if (parsed < INT_MIN || parsed > INT_MAX) return false;
    value = static_cast<int>(parsed);
    return true;
}

bool CIniSettingsStore::Load(Values& values) const {
    std::ifstream in(m_path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    values = Parse(text.str());
    return true;
}

int CIniSettingsStore::GetInt(const std::string& section, const std::string& name, int def) const {
    Values values;
    if (!Load(values)) return def;
    const auto it = values.find({Folded(section), Folded(name)});
    int value = def;
    if (it == values.end()) return def;
    if (!ParseInt(it->second.text, value)) {
        if (m_badValue) {
            m_badValue(m_path + " line " + std::to_string(it->second.line) + ": " +
                       it->second.name + "=" + it->second.text + " is not a whole number; " +
                       std::to_string(def) + " is used");
        }
        return def;
    }
    return value;
}

std::string CIniSettingsStore::GetString(const std::string& section, const std::string& name,
                                         const std::string& def) const {
    Values values;
    if (!Load(values)) return def;
    const auto it = values.find({Folded(section), Folded(name)});
    return it == values.end() ? def : it->second.text;
}

bool CIniSettingsStore::Store(const std::string& section, const std::string& name,
                              const std::string& value) {
    // A value that would break the line form is refused rather than written half.
    if (value.find_first_of("\r\n") != std::string::npos) return false;
    Values values;
    Load(values);
    Value& stored = values[{Folded(section), Folded(name)}];
    if (stored.name.empty()) stored = {section, name, std::string()};
    stored.text = value;
    const std::string temp = m_path + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << Format(values);
        out.flush();
        if (!out) {
            out.close();
            std::remove(temp.c_str());
            return false;
        }
    }
    // The standard library's rename replaces an existing file on every system; the C one does
    // not on Windows.
    std::error_code failed;
    std::filesystem::rename(temp, m_path, failed);
    if (failed) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

bool CIniSettingsStore::WriteInt(const std::string& section, const std::string& name, int value) {
    return Store(section, name, std::to_string(value));
}

bool CIniSettingsStore::WriteString(const std::string& section, const std::string& name,
                                    const std::string& value) {
    return Store(section, name, value);
}
