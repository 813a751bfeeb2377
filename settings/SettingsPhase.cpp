// The settings phase: the reader on Config.ini and the five protected
// connection values, each decoded and handed on as soon as it is read.
#include "SettingsPhase.h"

#include "ConnectionSettings.h"
#include "IntegerConversion.h"
#include "LibFuncaoDiv.h"
#include "ProgramPaths.h"

namespace {

const char* const ConnectionSection = "CONEXAO DESTINO";

std::string ReadProtectedValue(const TIniFile& reader, const char* key)
{
    return DecodeProtectedValue(reader.ReadString(ConnectionSection, key, ""));
}

} // namespace

std::unique_ptr<TIniFile> RunSettingsPhase(TUpdateHost& host)
{
    host.ShowStatus("Carregando arquivos de inicialização...");
    return std::make_unique<TIniFile>(ProgramDirectory() + "Config.ini");
}

ConnectionSettings ReadConnectionSettings(const TIniFile& reader, TConnectionSettingsTarget& target)
{
    ConnectionSettings settings;
    settings.HostName = ReadProtectedValue(reader, "HOST");
    target.SetHostName(settings.HostName);
    settings.Port = ParseInteger(ReadProtectedValue(reader, "PORTA"));
    target.SetPort(settings.Port);
    settings.Database = ReadProtectedValue(reader, "DATABASEVORTAN");
    target.SetDatabase(settings.Database);
    settings.User = ReadProtectedValue(reader, "USUARIO");
    target.SetUser(settings.User);
    settings.Password = ReadProtectedValue(reader, "SENHA");
    target.SetPassword(settings.Password);
    return settings;
}
