// The settings phase, the first phase of the update run.
#pragma once

#include "IniFile.h"
#include "UpdateHost.h"

#include <memory>

// Shows the phase's status text and creates the reader on Config.ini in the
// program directory; the update window keeps it until the program ends.
std::unique_ptr<TIniFile> RunSettingsPhase(TUpdateHost& host);
