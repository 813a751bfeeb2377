// The last phase of an update run that found a newer release: ask the running
// synchronizer to quit, download the new executable beside the old one, and
// only when it is complete put it in place and start it.
#pragma once

#include "UpdateHost.h"

// Shows the phase's first status text and asks one running synchronizer to
// quit; true when one was asked.
bool AskSynchronizerToQuit(TUpdateHost& host);

enum class TInstallationOutcome { Installed, DownloadFailed };

// Downloads and installs the new release and starts it. A failed download is
// shown in the message box and leaves the old executable as it was.
TInstallationOutcome RunInstallationPhase(TUpdateHost& host);

// Leaves the user as before a failed installation: once the asked synchronizer
// has ended, starts the old one again.
void StartSynchronizerAgain(TUpdateHost& host);
