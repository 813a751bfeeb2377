#include "SingleRunLock.h"

#include "SingleRun.h"

#include <windows.h>

#include <vector>

namespace {

std::vector<wchar_t> WideFromAnsi(const std::string& text)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::vector<wchar_t> wide(static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

} // namespace

SingleRunLock::SingleRunLock(const std::string& programDirectory) : mutex_(nullptr)
{
    const std::vector<wchar_t> directory = WideFromAnsi(programDirectory);
    const std::string name = RunMutexName({directory.data(), directory.size()});
    // Only the mutex's existence matters; it is never waited on. The system
    // closes it with the process, so a killed run leaves no stale mark.
    HANDLE mutex = CreateMutexA(nullptr, /*bInitialOwner*/ FALSE, name.c_str());
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        // Not kept open: the mark must end with the run that made it.
        CloseHandle(mutex);
        mutex = nullptr;
    }
    mutex_ = mutex;
}

SingleRunLock::~SingleRunLock()
{
    if (mutex_)
        CloseHandle(mutex_);
}
