// historygen OUTPUT [TASKS [CATEGORIES [SEED]]]: writes a sample version-5
// history file with that many tasks spread over that many categories.
#include <cstdio>
#include <cstdlib>

#include "history_builder.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: historygen OUTPUT [TASKS [CATEGORIES [SEED]]]\n");
    return 2;
  }
  const int tasks = argc > 2 ? std::atoi(argv[2]) : 100;
  const int categories = argc > 3 ? std::atoi(argv[3]) : 4;
  const uint32_t seed = argc > 4 ? static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10)) : 1;
  const historygen::History history = historygen::MakeSampleHistory(tasks, categories, seed);
  if (!historygen::WriteHistory(history, argv[1])) {
    std::fprintf(stderr, "historygen: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
