#include "ReleaseCheck.h"

#include "IntegerConversion.h"
#include "ProgramSettings.h"
#include "ReleaseQuery.h"

#include <exception>

void ApplyConnectionSettings(const TIniFile& settingsReader, TZConnection& connection)
{
    connection.SetConnected(false);
    connection.Protocol = "postgresql";
    connection.HostName = ReadConnectionValue(settingsReader, "HOST");
    connection.Port = ParseInteger(ReadConnectionValue(settingsReader, "PORTA"));
    connection.Database = ReadConnectionValue(settingsReader, "DATABASEVORTAN");
    connection.User = ReadConnectionValue(settingsReader, "USUARIO");
    connection.Password = ReadConnectionValue(settingsReader, "SENHA");
}

TConnectionOutcome RunConnectionPhase(TUpdateHost& host, TZConnection& connection)
{
    host.ShowStatus("Conectande-se ao Servidor...");
    try {
        connection.SetConnected(true);
    } catch (const std::exception& e) { // whatever stops the connection is foreseen here
        host.ShowMessageBox(std::string("Não foi possível estabelecer a conexão com o Servidor!!! ") + e.what());
        return TConnectionOutcome::Failed;
    }
    return TConnectionOutcome::Connected;
}

TVersionOutcome RunVersionPhase(TUpdateHost& host, TZQuery& query, const TIniFile& settingsReader)
{
    host.ShowStatus("Verificando versão...");
    query.Close();
    query.SQL = ReleaseQuerySql;
    query.Open();
    // The query runs first, then the installed number is read, then the newest.
    const std::int32_t installed = ParseInteger(ReadInstalledRelease(settingsReader));
    const std::int32_t newest = query.FieldByName("nrversao").AsInteger();
    if (installed < newest)
        return TVersionOutcome::UpdateDue;
    host.ShowStatus("Nenhuma Atualização Disponível!");
    return TVersionOutcome::UpToDate;
}
