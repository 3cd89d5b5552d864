// The system's GUI entry point. It lives in the program itself rather than
// in the platform library: the C runtime's start-up looks for it only after
// the program's own objects and libraries have been searched.
#include <windows.h>

#include "platform/gui_entry.h"

// The instance handles and the show state mean nothing to a program that
// never shows a window of its own.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  return RunGuiProgram(commandLine);
}
