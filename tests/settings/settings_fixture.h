// A prefix with drive C:, the default Program Files folder with the folder
// of DSConfig.bin, an old and a new Profiles folder, a machine memory size
// of our choosing, and fresh process-wide settings state for every test.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "platform/env.h"
#include "test_support.h"

namespace settings_test {

constexpr char kOldIni[] = "C:\\Old\\Profiles\\UserConfig.ini";
constexpr char kNewIni[] = "C:\\New\\Profiles\\UserConfig.ini";
constexpr char kDsConfigFolder[] = "drive_c/Program Files/Common Files/Vorlake Network/VorlakeS";

class MemoryEnv : public platform::Env {
 public:
  uint64_t TotalPhysicalMemory() override { return memory; }
  uint64_t memory = uint64_t{2} << 30;
};

// What an independent reader (olefile) finds in a compound file: "D name"
// for each storage, "S name" for each stream with its bytes as the value.
using Contents = std::map<std::string, std::string>;

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest();
  void SetUp() override;
  void TearDown() override;

  std::string Host(const std::string& relative) const { return prefix_.Join(relative); }
  std::string DsConfigFile() const { return Host(std::string(kDsConfigFolder) + "/DSConfig.bin"); }
  void WriteOldIni(const std::string& text) const;
  std::string NewIni() const;

  // Reads a compound file with /usr/bin/python3 and olefile.
  Contents ReadCompoundFile(const std::string& hostPath) const;

  testing_support::TempDir prefix_;
  testing_support::ScopedEnv prefixEnv_;
  testing_support::ScopedEnv localeEnv_;
  MemoryEnv env_;
};

// The bytes of a value stream for a non-text value.
std::string Record(uint16_t vt, uint64_t value, int width);
std::string I4(int32_t v);
std::string UI4(uint32_t v);
std::string I2(int16_t v);
std::string Bool(bool v);
std::string Text(const std::u16string& v);

}  // namespace settings_test
