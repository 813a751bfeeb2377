// The last phase of an update run that found a newer release: ask the running
// synchronizer to quit, download the new executable beside the old one, and
// only when it is complete put it in place and start it. A failed download
// leaves the old executable exactly where and as it was.
#pragma once

#include "UpdateHost.h"

void RunInstallationPhase(TUpdateHost& host);
