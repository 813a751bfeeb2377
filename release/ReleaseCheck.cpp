// The connection phase and the version phase.
#include "ReleaseCheck.h"

#include "IntegerConversion.h"
#include "ReleaseQuery.h"

#include <exception>

void PrepareConnection(TZConnection& connection)
{
    connection.SetConnected(false);
    connection.Protocol = "postgresql";
}

bool RunConnectionPhase(TUpdateHost& host, TZConnection& connection)
{
    host.ShowStatus("Conectande-se ao Servidor...");
    try {
        connection.SetConnected(true);
    } catch (const std::exception& e) { // whatever stops the connection ends the program here
        host.ShowMessageBox(std::string("Não foi possível estabelecer a conexão com o Servidor!!! ") + e.what());
        host.EndProgram();
        return false;
    }
    return true;
}

bool RunVersionPhase(TUpdateHost& host, TZQuery& query, const TIniFile& settingsReader)
{
    host.ShowStatus("Verificando versão...");
    query.Close();
    query.SQL = ReleaseQuerySql;
    query.Open();
    // The query runs first, then the installed number is read, then the newest.
    const std::int32_t installed = ParseInteger(settingsReader.ReadString("CONFIGURACOES", "VERSAO", ""));
    const std::int32_t newest = query.FieldByName("nrversao").AsInteger();
    if (installed < newest)
        return true;
    host.ShowStatus("Nenhuma Atualização Disponível!");
    return false;
}
