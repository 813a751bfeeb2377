#include "InstallationPhase.h"

#include "DownloadFile.h"
#include "Errors.h"
#include "ExecutableCheck.h"
#include "ProgramPaths.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

constexpr char kSynchronizerWindowClass[] = "TRerEdePrinci";
constexpr char kDownloadAddress[] = "https://" TOLVAR_DOWNLOAD_HOST "/download/tolvarautoravik/TolvarAutoRavik.exe";
// How long a failed installation waits for an asked synchronizer to end before
// deciding whether it must be started again.
constexpr DWORD kQuitWaitMs = 5000;

struct Files {
    std::string Executable;
    std::string Backup;
    std::string Staging;
};

Files ProgramFiles()
{
    const std::string directory = ProgramDirectory();
    return {directory + "TolvarAutoRavik.exe", directory + "TolvarAutoRavikBkp.exe",
            directory + "TolvarAutoRavik.download"};
}

// True only for an entry of that name that is not a directory.
bool FileExists(const std::string& path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsCompleteExecutableFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    std::string head(kExecutableHeadSize, '\0');
    DWORD read = 0;
    const bool ok = GetFileSizeEx(file, &size) &&
                    ReadFile(file, head.data(), kExecutableHeadSize, &read, nullptr);
    CloseHandle(file);
    head.resize(read);
    return ok && IsCompleteExecutable(head, static_cast<std::uint64_t>(size.QuadPart));
}

void Start(TUpdateHost& host, const std::string& executable)
{
    // Starts in our current directory; the result is not examined.
    ShellExecuteA(host.Handle(), "open", executable.c_str(), nullptr, nullptr, SW_SHOW);
}

bool SynchronizerEnded()
{
    const ULONGLONG end = GetTickCount64() + kQuitWaitMs;
    while (FindWindowA(kSynchronizerWindowClass, nullptr)) {
        if (GetTickCount64() >= end)
            return false;
        Sleep(50);
    }
    return true;
}

// An earlier run that was stopped between its two renames leaves the previous
// release under the backup name only; bring it back before anything else.
void RepairInterruptedInstallation(const Files& files)
{
    if (!FileExists(files.Executable) && IsCompleteExecutableFile(files.Backup))
        MoveFileA(files.Backup.c_str(), files.Executable.c_str());
    DeleteFileA(files.Staging.c_str());
}

// Moves the staged release into place; on failure puts the old one back and
// raises the input/output error.
void PutInPlace(const Files& files)
{
    if (FileExists(files.Backup))
        DeleteFileA(files.Backup.c_str()); // refused while a program still runs from it
    // Renaming works while the old synchronizer still runs from its file.
    const bool movedAside = MoveFileA(files.Executable.c_str(), files.Backup.c_str()) != FALSE;
    if (!MoveFileExA(files.Staging.c_str(), files.Executable.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD error = GetLastError();
        if (movedAside)
            MoveFileA(files.Backup.c_str(), files.Executable.c_str());
        DeleteFileA(files.Staging.c_str());
        RaiseInOutError(error);
    }
    if (movedAside)
        DeleteFileA(files.Backup.c_str()); // stays while the old program still runs from it
}

} // namespace

void RunInstallationPhase(TUpdateHost& host)
{
    host.ShowStatus("Encerrando instâncias ativas...");
    const HWND synchronizer = FindWindowA(kSynchronizerWindowClass, nullptr);
    if (synchronizer)
        PostMessageA(synchronizer, WM_QUIT, 0, 0); // not awaited

    const Files files = ProgramFiles();
    RepairInterruptedInstallation(files);

    host.ShowStatus("Efetuando o Download da nova Versão...");
    if (!DownloadFile(kDownloadAddress, files.Staging, TOLVAR_DOWNLOAD_STALL_MS) ||
        !IsCompleteExecutableFile(files.Staging)) {
        DeleteFileA(files.Staging.c_str());
        host.ShowMessageBox(
            "Erro ao Efetuar o Download do arquivo! Favor entrar em contato com o suporte técnico!");
        // Leave the user as before: a synchronizer that did quit is started again.
        if (synchronizer && SynchronizerEnded())
            Start(host, files.Executable);
        return;
    }

    PutInPlace(files);
    host.ShowStatus("Abrindo nova Instância...");
    Start(host, files.Executable);
    host.ShowStatus("Atualização Concluída com Sucesso!!!");
}
