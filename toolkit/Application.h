// The application object: COM for the main thread, the hidden application
// window that carries the task-bar button, the message loop, the end request
// and the error box for failures that no part of the program foresees.
#pragma once

#include <exception>

#include <windows.h>

class TForm;

class TApplication {
public:
    TApplication() = default;
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // COM as a single-threaded apartment, and the application window with the
    // program title and icon `iconId`.
    void Initialize(int iconId);
    // Shows `mainForm` and handles messages until the end is requested.
    void Run(TForm& mainForm);
    // Handles every waiting message, then returns. An end request taken here
    // is remembered and ends the message loop later.
    void ProcessMessages();
    // Requests the end of the program; the message loop ends when it takes it.
    void Terminate();
    bool Terminated() const { return terminated_; }
    // The error box: the stop icon, the program title, the message with a
    // full stop added by the usual rule; all windows disabled while it is open.
    void ShowException(const std::exception& failure);
    HWND Handle() const { return handle_; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool ProcessMessage();

    bool comInitialized_ = false;
    bool terminated_ = false;
    HWND handle_ = nullptr;
    HWND mainForm_ = nullptr;
};

extern TApplication Application;
