#include "SingleRunLock.h"

#include "SingleRun.h"

TMutexHandle MarkSingleRun(const std::string& programDirectory)
{
    // Only the mutex's existence matters; it is never waited on. The system
    // closes it with the process, so a killed run leaves no stale mark.
    TMutexHandle mutex(CreateMutexA(nullptr, /*bInitialOwner*/ FALSE, RunMutexName(programDirectory).c_str()));
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS)
        mutex.reset(); // not kept: the mark must end with the run that made it
    return mutex;
}
