// The update window's stored layout and its event handlers.
#include "ProTelUpdate.h"

#include "Application.h"
#include "Dialogs.h"
#include "ProgramPaths.h"
#include "Resources.h"
#include "Trace.h"
#include "UpdateRun.h"

namespace {

const TColor Blue = TColor::Hex(0x0063C6);
const TFontSpec TitleFont = {L"Verdana", 13, fsBold | fsItalic};
const TFontSpec StatusFont = {L"Verdana", 9, fsBold | fsItalic};
const TFontSpec MakerFont = {L"Verdana", 9, fsRegular};

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

// A failure that no phase foresees leaves the run here; the error box shows
// it and the window stays idle, since the timer stays disabled.
void TRerEdeUpdate::BtnAtualizarClick(TButton&)
{
    Timer1.SetEnabled(false);
    RunUpdate(*this, ZConexa, ZConsul, settingsReader_);
}
