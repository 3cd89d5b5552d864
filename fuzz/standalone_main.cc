// Runs a fuzz target without libFuzzer, for compilers and hosts that have
// none: every file named on the command line and every file of every folder
// named there (in name order, so each run is the same), one at a time. Each
// name is printed before its input runs, so a crash or a hang names the
// input that caused it. Exits 0 when every input ran, 1 when an argument
// could not be read; a failing input ends the process as it would under
// libFuzzer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

bool ListInputs(const fs::path& arg, std::vector<fs::path>* inputs) {
  std::error_code ec;
  if (fs::is_regular_file(arg, ec)) {
    inputs->push_back(arg);
    return true;
  }
  if (!fs::is_directory(arg, ec)) return false;
  std::vector<fs::path> found;
  for (const fs::directory_entry& e : fs::directory_iterator(arg, ec))
    if (e.is_regular_file(ec)) found.push_back(e.path());
  std::sort(found.begin(), found.end());
  inputs->insert(inputs->end(), found.begin(), found.end());
  return !ec;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    if (!ListInputs(argv[i], &inputs)) {
      std::fprintf(stderr, "%s: neither a file nor a folder that can be read\n", argv[i]);
      return 1;
    }
  }
  for (const fs::path& input : inputs) {
    std::printf("%s\n", input.string().c_str());
    std::fflush(stdout);
    std::ifstream in(input, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
      std::fprintf(stderr, "%s: cannot be read\n", input.string().c_str());
      return 1;
    }
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("%s inputs ran\n", std::to_string(inputs.size()).c_str());
  return 0;
}
