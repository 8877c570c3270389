#pragma once

#include <string>
#include <utility>
#include <vector>

namespace errors {

// An initialisation file (sections of key=value lines) that is updated the way the profile
// calls do it: values of existing keys change in place, new keys and sections are appended,
// everything else is kept. Section and key names compare without regard to case.
class IniFile {
public:
    // Reads `path`; a missing file is an empty one.
    explicit IniFile(std::string path);

    void setValue(const std::string &section, const std::string &key, const std::string &value);
    std::string value(const std::string &section, const std::string &key) const;
    // Writes the file through a temporary one that replaces it; false when that fails.
    bool save() const;

    const std::string &path() const { return path_; }

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries; // key, value ("" key: a line kept as is)
    };
    Section *find(const std::string &name);
    const Section *find(const std::string &name) const;

    std::string path_;
    std::vector<Section> sections_; // the first, unnamed one holds lines before any section
};

} // namespace errors
