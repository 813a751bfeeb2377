// The update window: its parts, the start timer whose first tick starts the
// update run, and the objects the run keeps until the program ends. The run
// sees the window only as TUpdateHost.
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

    // Offered to the run.
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
