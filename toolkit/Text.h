// UTF-8 inside, UTF-16 at the Win32 boundary.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// A UTF-16 text with its terminating zero, as the W functions take it. Not
// std::wstring: libstdc++ links that one's members as a whole, some 24 KB.
class TWideText {
public:
    TWideText() : chars_(1, L'\0') {}
    const wchar_t* c_str() const { return chars_.data(); }
    int Length() const { return static_cast<int>(chars_.size() - 1); }
    void Append(const wchar_t* chars, std::size_t count)
    {
        chars_.insert(chars_.end() - 1, chars, chars + count);
    }

private:
    std::vector<wchar_t> chars_;
};

// Bytes that are not well-formed UTF-8 are read in the ANSI code page.
TWideText WideFromUtf8(const std::string& utf8);
std::string Utf8FromWide(const wchar_t* wide, std::size_t count);
