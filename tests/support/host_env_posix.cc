#include <cstdlib>

#include "host_env.h"

namespace testing_support {

void SetHostEnv(const std::string& name, const std::string& value) {
  setenv(name.c_str(), value.c_str(), 1);
}

void UnsetHostEnv(const std::string& name) { unsetenv(name.c_str()); }

}  // namespace testing_support
