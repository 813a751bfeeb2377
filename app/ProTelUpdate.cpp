// The update window's stored layout, its event handlers and the frame of the
// update run: the phases in their order, then the end of the program.
#include "ProTelUpdate.h"

#include "Application.h"
#include "Dialogs.h"
#include "InstallationPhase.h"
#include "ProgramPaths.h"
#include "ReleaseCheck.h"
#include "Resources.h"
#include "SettingsPhase.h"
#include "Trace.h"
#ifdef TOLVAR_FAILING_RUN
#include "Errors.h"
#endif

namespace {

const TColor Blue = TColor::Hex(0x0063C6);
const TFontSpec TitleFont = {L"Verdana", 13, fsBold | fsItalic};
const TFontSpec StatusFont = {L"Verdana", 9, fsBold | fsItalic};
const TFontSpec MakerFont = {L"Verdana", 9, fsRegular};

#ifdef TOLVAR_FAILING_RUN
// Test build only: a phase that blocks like a connection attempt, so a close
// request waits in the queue, reports in the message box and then fails in a
// way that no phase foresees.
void RunFailingTestPhase(TUpdateHost& host)
{
    host.ShowStatus("Executando teste...");
    Sleep(1000);
    host.ShowStatus("Executando falha de teste...");
    host.ShowMessageBox("Não foi possível concluir o teste: esta mensagem é longa o bastante para ser "
                        "quebrada em mais de uma linha, sempre entre palavras, dentro da caixa de mensagem!!!");
    throw Exception("Falha de teste sem tratamento");
}
#endif

} // namespace

// clang-format off
TRerEdeUpdate::TRerEdeUpdate()
    : TForm(L"TRerEdeUpdate", "TolvarUpdate - Atualização de Software", 425, 112, IDI_PROGRAM),
      Timer1(*this, [this](TTimer& sender) { Timer1Timer(sender); }), // enabled, 1000 ms
      //             parent     left  top width height  appearance
      PanEsquer    (*this,        0,   0,  431,  113,   TColor::Hex(0xDDECFE), TColor::Hex(0xAAC5EC)),
      LabMenuxx    (PanEsquer,    5,  10,               "Tolvar - Web Update", TitleFont, clWindowText),
      BarMenuxx    (PanEsquer,    4,  37,  414,    2,   clMenuHighlight),
      LabDsProcesso(PanEsquer,    5,  46,               "Aguarde enquanto verificamos a versão do seu "
                                                        "sincronizador na Internet...", StatusFont, Blue),
      RzLEDDisplay1(PanEsquer,    5,  63,  414,   22,   "<<<<<<<<<<<<<<<<<<<<<<<",
                                                        {Blue, clWindow, clWindow, Blue, clWindow}, 1),
      PanStatus    (PanEsquer,    0,  94,  431,   19,   TColor::Hex(0xAAC5EC)), // along the bottom
      BorStatus    (PanStatus,    0,   0,  431,    2),                          // along the top
      LabDsPeriodo (PanStatus,  289,   4,               "Norvia Sistemas Ltda.", MakerFont, Blue),
      Image2       (PanEsquer,  382,   3,               IDI_WINDOW_PICTURE),
      BtnAtualizar ([this](TButton& sender) { BtnAtualizarClick(sender); })  // never visible
{
}
// clang-format on

void TRerEdeUpdate::ShowStatus(const std::string& text)
{
    LabDsProcesso.SetCaption(text);
    TraceText("status", text);
    Application.ProcessMessages();
}

void TRerEdeUpdate::ShowMessageBox(const std::string& text)
{
    TraceText("message", text);
    ShowMessageDialog(Handle(), ProgramTitle(), text);
}

void TRerEdeUpdate::EndProgram()
{
    Application.Terminate();
}

void TRerEdeUpdate::Timer1Timer(TTimer&)
{
    BtnAtualizar.Click();
}

// The update run. A failure that no phase foresees leaves it here; the error
// box shows it and the window stays idle, since the timer stays disabled.
void TRerEdeUpdate::BtnAtualizarClick(TButton&)
{
    Timer1.SetEnabled(false);
#ifdef TOLVAR_FAILING_RUN
    RunFailingTestPhase(*this);
#endif
    settingsReader_ = RunSettingsPhase(*this);
    PrepareConnection(ZConexa);
    TConnectionApplier applier(ZConexa);
    ReadConnectionSettings(*settingsReader_, applier);
    if (!RunConnectionPhase(*this, ZConexa))
        return;
    if (RunVersionPhase(*this, ZConsul, *settingsReader_))
        RunInstallationPhase(*this);
    EndProgram();
}
