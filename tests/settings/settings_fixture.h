// A prefix with drive C:, the default Program Files folder with the folder
// of DSConfig.bin, old and new Profiles folders, a memory size of the test's
// choosing, and fresh process-wide settings state for every test.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "platform/env.h"
#include "fake_prefix.h"

namespace settings_test {

constexpr char kOldIni[] = "C:\\Old\\Profiles\\UserConfig.ini";
constexpr char kNewIni[] = "C:\\New\\Profiles\\UserConfig.ini";

// Wraps the prefix's Env.
class MemoryEnv : public platform::EnvWrapper {
 public:
  MemoryEnv() : EnvWrapper(platform::CurrentEnv()) {}
  uint64_t TotalPhysicalMemory() override { return memory; }
  uint64_t memory = uint64_t{2} << 30;
};

// What olefile finds in a compound file: "D name" for each storage with an
// empty value, "S name" for each stream with its bytes.
using Contents = std::map<std::string, std::string>;

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // TearDown and SetUp again, for table-driven tests.
  void Restart();

  std::string Host(const std::string& relative) const { return prefix_.Join(relative); }
  std::string DsConfigFile() const;
  std::string NewIni() const;
  void WriteOldIni(const std::string& text) const;
  // Reads a compound file with /usr/bin/python3 and olefile, not our engine.
  Contents ReadCompoundFile(const std::string& hostPath) const;

  testing_support::FakePrefix prefix_;
  MemoryEnv env_;
};

// Value stream bytes: the 16-byte record of a non-text value, or a text.
std::string Record(uint16_t vt, uint64_t value, int width);
inline std::string I4(int32_t v) { return Record(3, static_cast<uint32_t>(v), 4); }
inline std::string UI4(uint32_t v) { return Record(19, v, 4); }
inline std::string I2(int16_t v) { return Record(2, static_cast<uint16_t>(v), 2); }
inline std::string Bool(bool v) { return Record(11, v ? 1 : 0, 2); }
std::string Text(const std::u16string& v);

}  // namespace settings_test
