#include "SettingsPhase.h"

#include "ProgramSettings.h"

std::unique_ptr<TIniFile> RunSettingsPhase(TUpdateHost& host)
{
    host.ShowStatus("Carregando arquivos de inicialização...");
    return OpenProgramSettings();
}
