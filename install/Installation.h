// The steps that replace the synchronizer in the program directory: the new
// executable is downloaded beside the old one and only when it is complete put
// in place. A failed download leaves the old executable exactly where and as
// it was. Nothing here shows anything.
#pragma once

#include <windows.h>

#include <string>

// The synchronizer's files, in the program directory.
struct TSynchronizerFiles {
    std::string Executable;
    std::string Backup;
    std::string Staging;
};
TSynchronizerFiles SynchronizerFiles();

// Posts the quit request to one running synchronizer, without waiting; false
// when none runs.
bool PostQuitToSynchronizer();
// Waits a while for every synchronizer window to go; false when one stays.
bool SynchronizerEnded();

// An earlier run that was stopped between its two renames leaves the previous
// release under the backup name only; brings it back and drops a staging file.
void RepairInterruptedInstallation(const TSynchronizerFiles& files);

// Downloads the new release to the staging file: true when it is there as a
// complete executable from the installed synchronizer's publisher (see
// KeepsPublisher), otherwise false with no staging file left. Raises the
// input/output error when the staging file cannot be written.
bool DownloadRelease(const TSynchronizerFiles& files);

// Moves the staged release into place; on failure puts the old one back and
// raises the input/output error.
void PutInPlace(const TSynchronizerFiles& files);

// Starts `executable` in our current directory, owned by `owner`; the result
// is not examined.
void StartProgram(HWND owner, const std::string& executable);
