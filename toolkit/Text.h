// UTF-8 inside, UTF-16 at the Win32 boundary.
#pragma once

#include <string>

// Bytes that are not well-formed UTF-8 are read in the ANSI code page.
std::wstring WideFromUtf8(const std::string& utf8);
std::string Utf8FromWide(const std::wstring& wide);
