// The entry of a program that has no console. Windows starts such a program
// at its GUI entry point (win32/gui_entry.cc, linked into the program as
// vorlake_gui_entry), which hands the command line to RunGuiProgram exactly
// as the system passed it: in the ANSI code page, without the program's own
// name, no quote stripped.
#pragma once

// Defined by the program, as main is; its result is the exit code.
int RunGuiProgram(const char* commandLine);
