// Marks this process as the update run of a program directory while it lives.
#pragma once

#include <string>

class SingleRunLock {
public:
    // `programDirectory` in the ANSI code page, as ProgramDirectory() gives it.
    explicit SingleRunLock(const std::string& programDirectory);
    ~SingleRunLock();
    SingleRunLock(const SingleRunLock&) = delete;
    SingleRunLock& operator=(const SingleRunLock&) = delete;

    // False when another updater runs for the same directory (or the mark
    // could not be made): this one must not touch the directory.
    bool Acquired() const { return mutex_ != nullptr; }

private:
    void* mutex_; // HANDLE
};
