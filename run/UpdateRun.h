// The update run that the window's start timer begins: the phases in their
// order, and the decision when the program ends.
#pragma once

#include "IniFile.h"
#include "UpdateHost.h"
#include "ZConnection.h"
#include "ZQuery.h"

#include <memory>

// Runs the phases on the window's connection and query; the settings reader
// it creates stays with the window. A failure that a phase foresees has been
// shown and ends the program, as does the end of the run; any other failure
// leaves as an exception, and the program goes on.
void RunUpdate(TUpdateHost& host, TZConnection& connection, TZQuery& query,
               std::unique_ptr<TIniFile>& settingsReader);
