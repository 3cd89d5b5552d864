#include "platform/implementation.h"

namespace platform {

bool ServicesAreNative() { return false; }

bool RunningUnderWine() { return false; }

}  // namespace platform
