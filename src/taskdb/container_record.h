// Containers: each category of the old program becomes one top-level
// Containers row, and each task in it one Relationship row that pairs the
// container's id with the task's ID. Container ids come from a process-wide
// counter, independent of task ids.
#pragma once

#include <cstdint>
#include <string>

namespace dblayer {
class DbConnection;
}  // namespace dblayer

namespace taskdb {

// kContainerIdCounterStart at process start; Save pre-increments it, so the
// first container is 101.
inline constexpr int32_t kContainerIdCounterStart = 100;
extern int32_t ContainerIdCounter;

class ContainerRecord {
 public:
  ContainerRecord() = default;

  // Name = the narrow name (system ANSI code page) in UTF-16.
  void SetName(const std::string& ansi);

  // Takes the next container id (even when the insert then fails) and
  // writes the row, as a top-level container. True only when the insert ran.
  bool Save(dblayer::DbConnection* connection);

  int32_t ContainerId = -1;
  std::u16string Name;
  int32_t Info = -1;
  std::u16string ExtInfo = u"dlcategory.customcategory.icon1";
};

// Writes one Relationship row; the table has no key, so equal calls add
// equal rows.
bool AddRelationship(dblayer::DbConnection* connection, int32_t containerId, int32_t taskId);

// Replaces every exact (case-sensitive) occurrence of pattern in text;
// the replacement is never searched again. An empty pattern changes nothing.
void ReplaceAll(std::u16string& text, const std::u16string& pattern,
                const std::u16string& replacement);

}  // namespace taskdb
