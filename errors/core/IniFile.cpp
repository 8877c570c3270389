#include "IniFile.h"

#include <cstdio>
#include <fstream>
#include <strings.h>
#include <unistd.h>

namespace errors {

namespace {

bool sameName(const std::string &a, const std::string &b)
{
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

std::string trim(const std::string &s)
{
    const auto begin = s.find_first_not_of(" \t\r");
    return begin == std::string::npos ? std::string() : s.substr(begin, s.find_last_not_of(" \t\r") - begin + 1);
}

} // namespace

IniFile::IniFile(std::string path) : path_(std::move(path))
{
    sections_.push_back({});
    std::ifstream in(path_);
    std::string line;
    while (std::getline(in, line)) {
        const std::string t = trim(line);
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
            sections_.push_back({t.substr(1, t.size() - 2), {}});
            continue;
        }
        const auto equals = t.find('=');
        if (equals == std::string::npos || t.front() == ';')
            sections_.back().entries.emplace_back(std::string(), t);
        else
            sections_.back().entries.emplace_back(trim(t.substr(0, equals)), trim(t.substr(equals + 1)));
    }
}

IniFile::Section *IniFile::find(const std::string &name)
{
    for (std::size_t i = 1; i < sections_.size(); ++i)
        if (sameName(sections_[i].name, name))
            return &sections_[i];
    return nullptr;
}

const IniFile::Section *IniFile::find(const std::string &name) const
{
    return const_cast<IniFile *>(this)->find(name);
}

void IniFile::setValue(const std::string &section, const std::string &key, const std::string &value)
{
    Section *s = find(section);
    if (!s) {
        sections_.push_back({section, {}});
        s = &sections_.back();
    }
    for (auto &entry : s->entries)
        if (!entry.first.empty() && sameName(entry.first, key)) {
            entry.second = value;
            return;
        }
    // New keys go after the section's last entry, before its trailing blank lines.
    auto at = s->entries.end();
    while (at != s->entries.begin() && std::prev(at)->first.empty() && std::prev(at)->second.empty())
        --at;
    s->entries.insert(at, {key, value});
}

std::string IniFile::value(const std::string &section, const std::string &key) const
{
    if (const Section *s = find(section))
        for (const auto &entry : s->entries)
            if (!entry.first.empty() && sameName(entry.first, key))
                return entry.second;
    return {};
}

bool IniFile::save() const
{
    const std::string temporary = path_ + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        if (!out)
            return false;
        for (std::size_t i = 0; i < sections_.size(); ++i) {
            const Section &s = sections_[i];
            if (i > 0) {
                if (i > 1 && !(sections_[i - 1].entries.size() && sections_[i - 1].entries.back().first.empty()
                               && sections_[i - 1].entries.back().second.empty()))
                    out << '\n';
                out << '[' << s.name << "]\n";
            }
            for (const auto &entry : s.entries)
                out << (entry.first.empty() ? entry.second : entry.first + "=" + entry.second) << '\n';
        }
        out.flush();
        if (!out) {
            out.close();
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path_.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace errors
