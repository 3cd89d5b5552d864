#include "platform/process.h"

namespace platform {

// Windows has no signal for a closed pipe: the write fails with an error,
// which the run ignores as it ignores every failed write.
void IgnoreBrokenPipes() {}

}  // namespace platform
