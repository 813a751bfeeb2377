#include "InstallationPhase.h"

#include "Installation.h"

bool AskSynchronizerToQuit(TUpdateHost& host)
{
    host.ShowStatus("Encerrando instâncias ativas...");
    return PostQuitToSynchronizer();
}

TInstallationOutcome RunInstallationPhase(TUpdateHost& host)
{
    const TSynchronizerFiles files = SynchronizerFiles();
    RepairInterruptedInstallation(files);

    host.ShowStatus("Efetuando o Download da nova Versão...");
    if (!DownloadRelease(files))
        return TInstallationOutcome::NotInstalled;
    PutInPlace(files);
    host.ShowStatus("Abrindo nova Instância...");
    StartProgram(host.Handle(), files.Executable);
    host.ShowStatus("Atualização Concluída com Sucesso!!!");
    return TInstallationOutcome::Installed;
}

void StartSynchronizerAgain(TUpdateHost& host)
{
    if (SynchronizerEnded())
        StartProgram(host.Handle(), SynchronizerFiles().Executable);
}

void ReportFailedDownload(TUpdateHost& host)
{
    host.ShowMessageBox("Erro ao Efetuar o Download do arquivo! Favor entrar em contato com o suporte técnico!");
}
