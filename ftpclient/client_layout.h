#pragma once

#include <windows.h>

#include <string>

// Where the controls of the client window go at a given size, and the
// window's size and place between runs, in the settings file beside the
// program (ProgramSettingsPath(): FTPClient.ini, as the main program keeps
// its own).

// Places every control for the window's current client area: the two panes
// share the width with the buttons between them (as wide as their texts
// need in the window's font, at the least the template's width); the
// progress bar, the stop button, the status line and the close button keep
// to the bottom.
void LayOutClient(HWND window);

// Moves the window to the size and place saved in the settings file, when
// there is one that still lies on a screen, never smaller than `minimum`.
// Returns whether the window was maximised when it was saved.
bool RestoreWindowPlace(HWND window, const std::string& settings_path, SIZE minimum);

// Saves the window's normal (not maximised) size and place and whether it is
// maximised. False when the settings file cannot be written.
bool SaveWindowPlace(HWND window, const std::string& settings_path);
