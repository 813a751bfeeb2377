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

    // From the quit request on, however the run ends, the user gets a running
    // synchronizer back before any box is shown.
    const bool synchronizerAsked = AskSynchronizerToQuit(host);
    TInstallationOutcome outcome;
    try {
        outcome = RunInstallationPhase(host);
    } catch (...) {
        if (synchronizerAsked)
            StartSynchronizerAgain(host);
        throw; // to the error box
    }
    if (outcome == TInstallationOutcome::NotInstalled) {
        if (synchronizerAsked)
            StartSynchronizerAgain(host);
        ReportFailedDownload(host);
    }
    host.EndProgram();
}
