// What the update run may ask of the update window. The window implements it;
// the run and its phases see the window only as this.
#pragma once

#include <string>

#include <windows.h>

class TUpdateHost {
public:
    // Puts `text` (UTF-8) on the status line and lets waiting messages through.
    virtual void ShowStatus(const std::string& text) = 0;
    // The modal message box for failures that a phase foresees; returns when closed.
    virtual void ShowMessageBox(const std::string& text) = 0;
    // Requests the end of the program; the run leaves at once.
    virtual void EndProgram() = 0;
    // The update window, as owner of what the phases open or start.
    virtual HWND Handle() const = 0;

protected:
    ~TUpdateHost() = default;
};
