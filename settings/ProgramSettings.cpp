#include "ProgramSettings.h"

#include "LibFuncaoDiv.h"
#include "ProgramPaths.h"

std::unique_ptr<TIniFile> OpenProgramSettings()
{
    return std::make_unique<TIniFile>(ProgramDirectory() + "Config.ini");
}

std::string ReadConnectionValue(const TIniFile& reader, const char* key)
{
    return DecodeProtectedValue(reader.ReadString("CONEXAO DESTINO", key, ""));
}

std::string ReadInstalledRelease(const TIniFile& reader)
{
    return reader.ReadString("CONFIGURACOES", "VERSAO", "");
}
