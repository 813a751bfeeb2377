#include "UpdateRun.h"

#include "InstallationPhase.h"
#include "ReleaseCheck.h"
#include "SettingsPhase.h"

void RunUpdate(TUpdateHost& host, TZConnection& connection, TZQuery& query,
               std::unique_ptr<TIniFile>& settingsReader)
{
    settingsReader = RunSettingsPhase(host);
    ApplyConnectionSettings(*settingsReader, connection);

    if (RunConnectionPhase(host, connection) == TConnectionOutcome::Failed) {
        host.EndProgram();
        return;
    }

    if (RunVersionPhase(host, query, *settingsReader) == TVersionOutcome::UpToDate) {
        host.EndProgram();
        return;
    }

    const bool synchronizerAsked = AskSynchronizerToQuit(host);
    if (RunInstallationPhase(host) == TInstallationOutcome::DownloadFailed && synchronizerAsked)
        StartSynchronizerAgain(host);
    host.EndProgram();
}
