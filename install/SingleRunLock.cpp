#include "SingleRunLock.h"

#include "SingleRun.h"

#include <windows.h>

SingleRunLock::SingleRunLock(const std::string& programDirectory) : mutex_(nullptr)
{
    // Only the mutex's existence matters; it is never waited on. The system
    // closes it with the process, so a killed run leaves no stale mark.
    HANDLE mutex = CreateMutexA(nullptr, /*bInitialOwner*/ FALSE, RunMutexName(programDirectory).c_str());
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
