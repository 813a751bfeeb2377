// TIniFile over GetPrivateProfileStringA: section, key, default and file
// name are bytes in the ANSI code page, as the file itself is.
#include "IniFile.h"

#include <windows.h>

#include <utility>

namespace {

constexpr DWORD BufferSize = 2048;

} // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const
{
    char buffer[BufferSize];
    const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(),
                                                  buffer, BufferSize, fileName_.c_str());
    return std::string(buffer, length);
}
