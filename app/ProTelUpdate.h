// The update window: its parts, the start timer, and the update run that the
// timer's first tick starts. The phases see the window only as TUpdateHost.
#pragma once

#include "Controls.h"
#include "Forms.h"
#include "IniFile.h"
#include "UpdateHost.h"
#include "ZConnection.h"
#include "ZQuery.h"

#include <memory>
#include <string>

class TRerEdeUpdate : public TForm, public TUpdateHost {
public:
    TRerEdeUpdate();

    // Offered to the phases.
    void ShowStatus(const std::string& text) override;
    void ShowMessageBox(const std::string& text) override;
    void EndProgram() override;
    HWND Handle() const override { return TForm::Handle(); }

    // Event handlers.
    void Timer1Timer(TTimer& Sender);
    void BtnAtualizarClick(TButton& Sender);

    TTimer Timer1;
    TZConnection ZConexa;
    TZQuery ZConsul{ZConexa};

    TRzPanel PanEsquer;
    TLabel LabMenuxx;
    TShape BarMenuxx;
    TLabel LabDsProcesso;
    TRzLEDDisplay RzLEDDisplay1;
    TRzPanel PanStatus;
    TRzBorder BorStatus;
    TLabel LabDsPeriodo;
    TImage Image2;
    TButton BtnAtualizar;

private:
    std::unique_ptr<TIniFile> settingsReader_; // from the settings phase until the program ends
};
