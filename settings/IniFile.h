// The settings reader: one name of an initialization file, read entry by
// entry through the system's private-profile service. It caches nothing.
#pragma once

#include <string>

class TIniFile {
public:
    // `fileName` is the full name (ANSI code page); a bare name would be
    // looked up in the Windows directory.
    explicit TIniFile(std::string fileName);

    // The entry's value, cut to 2047 characters; `def` when the file, the
    // section or the key is missing. Reports no failure.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;

private:
    std::string fileName_;
};
