#pragma once

#include <string>

// Where the running program lies, from its own module path. Every program
// (Vantrel.exe, filelist.exe, FTPClient.exe) finds its settings, tmp\ and
// Log\ from here. The path is split on whole characters: the trail byte of a
// double-byte character in a folder name (表 is 95 5C) is no separator.

// The running program's file, whole. Empty when Windows gives no path, or
// one cut to the buffer: a cut path would name another file or folder.
std::string ModulePath();

// The program's folder with its trailing separator ("C:\\Vantrel\\"); empty
// when ModulePath() is.
std::string ProgramFolder();

// The settings file beside the program: its folder and base name with
// ".ini" ("C:\\Vantrel\\Vantrel.ini", "C:\\Vantrel\\FTPClient.ini"); empty
// when ModulePath() is.
std::string ProgramSettingsPath();
