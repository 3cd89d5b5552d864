// The process-wide state of a new process for each test: the state is
// released when the holder is made and again when it goes, so no case sees
// what another left behind. Declare it after any folder the state's files
// live in, so that it goes first.
#pragma once

#include "driver/process_state.h"

namespace testing_support {

class FreshProcessState {
 public:
  FreshProcessState() { driver::ResetProcessState(); }
  ~FreshProcessState() { driver::ResetProcessState(); }
  FreshProcessState(const FreshProcessState&) = delete;
  FreshProcessState& operator=(const FreshProcessState&) = delete;
};

}  // namespace testing_support
