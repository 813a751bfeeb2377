// The release check of the update run: the connection settings applied to
// the connection as they are read, the connection phase and the version phase.
#pragma once

#include "IniFile.h"
#include "UpdateHost.h"
#include "ZConnection.h"
#include "ZQuery.h"

// Closes the connection, sets protocol "postgresql", then reads HOST, PORTA,
// DATABASEVORTAN, USUARIO and SENHA in this order, each applied to the
// connection before the next is read. A port text that ParseInteger rejects
// raises EConvertError and stops the reading there.
void ApplyConnectionSettings(const TIniFile& settingsReader, TZConnection& connection);

enum class TConnectionOutcome { Connected, Failed };

// Opens the connection. Whatever stops it is shown in the message box, and
// the outcome is Failed: the program must end.
TConnectionOutcome RunConnectionPhase(TUpdateHost& host, TZConnection& connection);

enum class TVersionOutcome { UpToDate, UpdateDue };

// Runs the release query, then reads the installed release number (VERSAO)
// and compares: UpdateDue when the newest release is greater; otherwise shows
// that none is available. A failing query or an installed number that is not
// an integer raises.
TVersionOutcome RunVersionPhase(TUpdateHost& host, TZQuery& query, const TIniFile& settingsReader);
