#include "platform/temp_file.h"

#include <atomic>
#include <cctype>
#include <cstdio>

#include "platform/process.h"

namespace platform {
namespace {

constexpr int kCreateAttempts = 100;

bool AllOf(std::string_view text, int (*pred)(int)) {
  if (text.empty()) return false;
  for (char c : text)
    if (!pred(static_cast<unsigned char>(c))) return false;
  return true;
}

// "DIGITS-DIGITS", the tail that earlier temporary names ended with.
bool IsPidCounter(std::string_view text) {
  size_t dash = text.find('-');
  return dash != std::string_view::npos && AllOf(text.substr(0, dash), isdigit) &&
         AllOf(text.substr(dash + 1), isdigit);
}

bool IsOlderTempName(std::string_view name) {
  size_t copy = name.rfind(".copy-");
  if (copy != std::string_view::npos && copy > 0 && IsPidCounter(name.substr(copy + 6)))
    return true;
  size_t tmp = name.rfind(".tmp-");
  return name.size() > 1 && name[0] == '.' && tmp != std::string_view::npos && tmp > 1 &&
         IsPidCounter(name.substr(tmp + 5));
}

}  // namespace

bool IsTempName(std::string_view name) {
  return name.size() == kTempPrefix.size() + kTempDigits &&
         name.substr(0, kTempPrefix.size()) == kTempPrefix &&
         AllOf(name.substr(kTempPrefix.size()), isxdigit);
}

bool IsAnyTempName(std::string_view name) { return IsTempName(name) || IsOlderTempName(name); }

IoStatus CreateTempFile(const std::string& folder, uint32_t permissions, std::string* path,
                        std::unique_ptr<File>* file) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    char name[32];
    snprintf(name, sizeof name, "%s%08x%08x", kTempPrefix.data(), CurrentProcessId(),
             counter.fetch_add(1));
    *path = folder + "/" + name;
    IoStatus status = CurrentEnv()->CreateLockedFile(*path, permissions, file);
    if (status != IoStatus::kExists) return status;
  }
  return IoStatus::kExists;
}

void SweepTempFiles(const std::string& folder, std::string_view oldStem) {
  std::vector<std::string> names;
  if (CurrentEnv()->ListFolder(folder, &names) != IoStatus::kOk) return;
  for (const std::string& name : names) {
    bool stale = IsAnyTempName(name);
    if (!stale && !oldStem.empty() && name.size() == oldStem.size() + 7 &&
        name.compare(0, oldStem.size(), oldStem) == 0 && name[oldStem.size()] == '.')
      stale = AllOf(std::string_view(name).substr(oldStem.size() + 1), isalnum);
    if (stale) CurrentEnv()->RemoveUnheldFile(folder + "/" + name);
  }
}

}  // namespace platform
