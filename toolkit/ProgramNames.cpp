// Pure rules for the program's own path and the error box's text.
#include "ProgramNames.h"

namespace {

size_t AfterLastSeparator(const std::string& path)
{
    const size_t separator = path.find_last_of("\\:");
    return separator == std::string::npos ? 0 : separator + 1;
}

} // namespace

std::string FileNameOf(const std::string& exePath)
{
    return exePath.substr(AfterLastSeparator(exePath));
}

std::string DirectoryOf(const std::string& exePath)
{
    return exePath.substr(0, AfterLastSeparator(exePath));
}

std::string TitleOf(const std::string& exePath)
{
    // Only a backslash separates here: the title ignores a drive's colon.
    const size_t separator = exePath.rfind('\\');
    std::string title = exePath.substr(separator == std::string::npos ? 0 : separator + 1);
    title = title.substr(0, title.find('.'));
    // ASCII letters only, so the bytes of other characters pass unchanged.
    for (size_t i = 1; i < title.size(); ++i)
        if (title[i] >= 'A' && title[i] <= 'Z')
            title[i] = static_cast<char>(title[i] - 'A' + 'a');
    return title;
}

std::string WithFullStop(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + '.';
    return message;
}
