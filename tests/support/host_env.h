// Setting the process environment, which the C runtimes spell differently.
#pragma once

#include <string>

namespace testing_support {

void SetHostEnv(const std::string& name, const std::string& value);
void UnsetHostEnv(const std::string& name);

}  // namespace testing_support
