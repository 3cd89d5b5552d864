// The wait for the version-5 program. While it runs it holds a named
// mutex; the converter must not read its files then, so it asks the user
// to quit it (Retry) or to give the conversion up (Cancel).
#pragma once

namespace driver {

// The name of the mutex that a running version-5 program holds.
inline constexpr const char kOldProgramMutexName[] = "Global\\vorlake5_app_mutex";

// The message box, text in code page 936: "Vorlake is running. Quit it, then
// press Retry to convert the history; press Cancel to give the history
// conversion up."
inline constexpr const char kOldProgramRunningText[] =
    "\xBC\xEC\xB2\xE2\xB5\xBD\xCE\xD6\xE1\xB0\xBD\xF8\xB3\xCC\xB4\xE6\xD4\xDA\xA3\xAC"
    "\xC7\xEB\xCF\xC8\xCD\xCB\xB3\xF6\xCE\xD6\xE1\xB0\xA3\xAC\xC8\xBB\xBA\xF3\xB5\xE3"
    "\xBB\xF7\xD6\xD8\xCA\xD4\xBD\xF8\xD0\xD0\xC0\xFA\xCA\xB7\xBC\xC7\xC2\xBC\xD7\xAA"
    "\xBB\xBB\xA1\xA3\xB5\xE3\xBB\xF7\xC8\xA1\xCF\xFB\xB7\xC5\xC6\xFA\xC0\xFA\xCA\xB7"
    "\xBC\xC7\xC2\xBC\xD7\xAA\xBB\xBB\xA1\xA3";
inline constexpr const char kOldProgramRunningCaption[] = "Vorlake6";

// Returns true once the version-5 program is no longer running (or its
// mutex cannot be created at all), false when the user pressed Cancel. The
// mutex is never kept: it is released and closed as soon as it is seen.
bool WaitForOldProgram();

}  // namespace driver
