// The last phase of an update run that found a newer release: ask the running
// synchronizer to quit, download the new executable beside the old one, and
// only when it is complete put it in place and start it.
#pragma once

#include "UpdateHost.h"

// Shows the phase's first status text and asks one running synchronizer to
// quit; true when one was asked.
bool AskSynchronizerToQuit(TUpdateHost& host);

// NotInstalled: the download failed, or the release was refused; the old
// executable is as it was.
enum class TInstallationOutcome { Installed, NotInstalled };

// Downloads the new release, and only when it is complete and from the
// installed synchronizer's publisher, installs and starts it. Raises the
// input/output error when the program directory cannot be written.
TInstallationOutcome RunInstallationPhase(TUpdateHost& host);

// Leaves the user as before a failed installation: once the asked synchronizer
// has ended, starts the one in place again.
void StartSynchronizerAgain(TUpdateHost& host);

// The message box for a release that was not installed.
void ReportFailedDownload(TUpdateHost& host);
