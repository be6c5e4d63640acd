// The single-instance guard: one named mutex for the program's life and a registered window message
// on which a running copy restores its main window and comes to the front.
#pragma once

#include <windows.h>

// "Corvane application by Drevin": the mutex's and the window message's name.
extern const char* const SingleInstanceName;

// Creates the mutex; when it existed already, posts the message to every application and ends the
// program. Else subclasses the application window with SingleInstanceWndProc; failures are shown.
void InitSingleInstance();
// Puts the application window's previous procedure back.
void DoneSingleInstance();
LRESULT CALLBACK SingleInstanceWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
// The registered message's number (0 before InitSingleInstance).
UINT SingleInstanceMessage();
