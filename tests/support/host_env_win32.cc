#include <cstdlib>

#include "host_env.h"

namespace testing_support {

// _putenv_s changes the runtime's copy and the process environment alike;
// an empty value removes the variable, so an empty value cannot be set.
void SetHostEnv(const std::string& name, const std::string& value) {
  _putenv_s(name.c_str(), value.c_str());
}

void UnsetHostEnv(const std::string& name) { _putenv_s(name.c_str(), ""); }

}  // namespace testing_support
