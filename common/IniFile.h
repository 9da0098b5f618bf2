#pragma once
// A read-only INI file: [section] headers and key=value lines, kept in file order.
// Section and key names match without regard to ASCII letter case; blanks around names and
// values are dropped; lines starting with ';' are comments. Values are UTF-8 bytes.
#include <string>
#include <vector>

class IniFile {
public:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;  // in file order
    };

    // Reads the file; false (and no sections) when it cannot be read.
    bool Load(const std::string& path);
    // Parses text of a whole file.
    void Parse(const std::string& text);
    void Clear() { sections_.clear(); }

    const std::vector<Section>& Sections() const { return sections_; }
    // The section, or nullptr. With several sections of one name, the first.
    const Section* FindSection(const std::string& name) const;
    // The value of the first matching key, or def.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def = std::string()) const;
    // A decimal (or "0x" hexadecimal) integer value, or def when missing or not a number.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;

    static bool SameName(const std::string& a, const std::string& b);

private:
    std::vector<Section> sections_;
};
