// The terminal side of the default message box: shows the caption and the
// text on a terminal and reads the button from it. Kept apart from Env so
// that the dialogue can be driven through pipes.
#pragma once

#include <string>

#include "base/win_types.h"

namespace platform {

// Writes caption and text (UTF-8) to outFd and, for a box with a choice,
// reads answers from inFd until one names a button. End of input or a read
// error picks the box's cancel button. Returns the IDxxx value.
int PromptOnTerminal(int inFd, int outFd, const std::string& textUtf8,
                     const std::string& captionUtf8, win::UINT type);

}  // namespace platform
