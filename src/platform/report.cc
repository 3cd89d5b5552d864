#include "platform/report.h"

#include <mutex>
#include <utility>
#include <vector>

namespace platform {

namespace {

struct Report {
  std::mutex mu;
  std::vector<std::pair<std::string, long>> counters;  // in first-use order
  std::vector<std::string> notes;
};

Report& TheReport() {
  static Report* report = new Report();  // never destroyed: usable at exit
  return *report;
}

}  // namespace

void ReportCount(const std::string& counter, long delta) {
  Report& r = TheReport();
  std::lock_guard<std::mutex> lock(r.mu);
  for (auto& entry : r.counters) {
    if (entry.first == counter) {
      entry.second += delta;
      return;
    }
  }
  r.counters.emplace_back(counter, delta);
}

void ReportNote(const std::string& line) {
  Report& r = TheReport();
  std::lock_guard<std::mutex> lock(r.mu);
  r.notes.push_back(line);
}

std::string FormatReport() {
  Report& r = TheReport();
  std::lock_guard<std::mutex> lock(r.mu);
  std::string out;
  for (const auto& [name, count] : r.counters) {
    out += name + ": " + std::to_string(count) + "\n";
  }
  for (const auto& note : r.notes) out += note + "\n";
  return out;
}

void ClearReport() {
  Report& r = TheReport();
  std::lock_guard<std::mutex> lock(r.mu);
  r.counters.clear();
  r.notes.clear();
}

}  // namespace platform
