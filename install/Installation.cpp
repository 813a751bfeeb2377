#include "Installation.h"

#include "Authenticode.h"
#include "DownloadFile.h"
#include "Errors.h"
#include "ExecutableCheck.h"
#include "FileHandles.h"
#include "ProgramPaths.h"

#include <shellapi.h>

namespace {

constexpr char SynchronizerWindowClass[] = "TRerEdePrinci";
constexpr char DownloadAddress[] = "https://" TOLVAR_DOWNLOAD_HOST "/download/tolvarautoravik/TolvarAutoRavik.exe";
// How long a failed installation waits for an asked synchronizer to end before
// deciding whether it must be started again.
constexpr DWORD QuitWaitMs = 5000;

// True only for an entry of that name that is not a directory.
bool FileExists(const std::string& path)
{
    WIN32_FIND_DATAA found;
    const TFindHandle search(FindFirstFileA(path.c_str(), &found));
    return search && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsCompleteExecutableFile(const std::string& path)
{
    const TFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size = {};
    std::string head(ExecutableHeadSize, '\0');
    DWORD read = 0;
    if (!GetFileSizeEx(file.get(), &size) || !ReadFile(file.get(), head.data(), ExecutableHeadSize, &read, nullptr))
        return false;
    head.resize(read);
    return IsCompleteExecutable(head, static_cast<std::uint64_t>(size.QuadPart));
}

} // namespace

TSynchronizerFiles SynchronizerFiles()
{
    const std::string directory = ProgramDirectory();
    return {directory + "TolvarAutoRavik.exe", directory + "TolvarAutoRavikBkp.exe",
            directory + "TolvarAutoRavik.download"};
}

bool PostQuitToSynchronizer()
{
    const HWND synchronizer = FindWindowA(SynchronizerWindowClass, nullptr);
    if (synchronizer)
        PostMessageA(synchronizer, WM_QUIT, 0, 0);
    return synchronizer != nullptr;
}

bool SynchronizerEnded()
{
    const ULONGLONG end = GetTickCount64() + QuitWaitMs;
    while (FindWindowA(SynchronizerWindowClass, nullptr)) {
        if (GetTickCount64() >= end)
            return false;
        Sleep(50);
    }
    return true;
}

void RepairInterruptedInstallation(const TSynchronizerFiles& files)
{
    if (!FileExists(files.Executable) && IsCompleteExecutableFile(files.Backup))
        MoveFileA(files.Backup.c_str(), files.Executable.c_str());
    DeleteFileA(files.Staging.c_str());
}

bool DownloadRelease(const TSynchronizerFiles& files)
{
    if (DownloadFile(DownloadAddress, files.Staging, TOLVAR_DOWNLOAD_STALL_MS) &&
        IsCompleteExecutableFile(files.Staging) && KeepsPublisher(files.Executable, files.Staging))
        return true;
    DeleteFileA(files.Staging.c_str());
    return false;
}

void PutInPlace(const TSynchronizerFiles& files)
{
    if (FileExists(files.Backup))
        DeleteFileA(files.Backup.c_str()); // refused while a program still runs from it
    // Renaming works while the old synchronizer still runs from its file.
    // Write-through: each move is on the disk before the next step relies on it.
    const bool movedAside =
        MoveFileExA(files.Executable.c_str(), files.Backup.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
    if (!MoveFileExA(files.Staging.c_str(), files.Executable.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        if (movedAside)
            MoveFileA(files.Backup.c_str(), files.Executable.c_str());
        DeleteFileA(files.Staging.c_str());
        RaiseInOutError(error);
    }
    if (movedAside)
        DeleteFileA(files.Backup.c_str()); // stays while the old program still runs from it
}

void StartProgram(HWND owner, const std::string& executable)
{
    ShellExecuteA(owner, "open", executable.c_str(), nullptr, nullptr, SW_SHOW);
}
