// The release check of the update run: the connection settings applied to
// the connection as they are read, the connection phase and the version phase.
#pragma once

#include "ConnectionSettings.h"
#include "IniFile.h"
#include "UpdateHost.h"
#include "ZConnection.h"
#include "ZQuery.h"

// Hands each connection value to the connection as soon as the settings
// phase has read and decoded it.
class TConnectionApplier final : public TConnectionSettingsTarget {
public:
    explicit TConnectionApplier(TZConnection& connection) : connection_(connection) {}
    void SetHostName(const std::string& value) override { connection_.HostName = value; }
    void SetPort(std::int32_t value) override { connection_.Port = value; }
    void SetDatabase(const std::string& value) override { connection_.Database = value; }
    void SetUser(const std::string& value) override { connection_.User = value; }
    void SetPassword(const std::string& value) override { connection_.Password = value; }

private:
    TZConnection& connection_;
};

// Before any connection value is read: closed, protocol "postgresql".
void PrepareConnection(TZConnection& connection);

// Opens the connection. On any failure shows the message box and ends the
// program; returns false then, and the run must stop.
bool RunConnectionPhase(TUpdateHost& host, TZConnection& connection);

// Runs the release query, then reads the installed release number (VERSAO)
// and compares: true when the newest release is greater, so an update is due;
// otherwise shows that none is available. A failing query or an installed
// number that is not an integer raises.
bool RunVersionPhase(TUpdateHost& host, TZQuery& query, const TIniFile& settingsReader);
