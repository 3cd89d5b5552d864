#include "driver/upgrade_steps.h"

// The modules of the conversion are bound here as they join the build.
UpgradeSteps ModuleSteps() {
  UpgradeSteps steps;
  return steps;
}
