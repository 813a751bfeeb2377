// Pure rules the application object applies to its own executable's path and
// to the messages of the error box.
#pragma once

#include <string>

// The file name after the last backslash or colon, extension included.
std::string FileNameOf(const std::string& exePath);
// The path up to and including its last backslash or colon.
std::string DirectoryOf(const std::string& exePath);
// The part after the last backslash cut at its first full stop, every
// character after the first lower-cased (ASCII letters; others stay as they are).
std::string TitleOf(const std::string& exePath);
// The error box's text: a full stop appended when the last character sorts after '.'.
std::string WithFullStop(const std::string& message);
