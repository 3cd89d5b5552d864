#include "platform/version.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../support/test_support.h"
#include "pegen/pe_builder.h"
#include "platform/codepage.h"

namespace {

using testing_support::TempDir;
using testing_support::WriteFile;
using win::UINT;

constexpr size_t kResourceStart = 0x200;  // where pegen puts .rsrc in the file

uint32_t U32(const void* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

class VersionTest : public ::testing::TestWithParam<bool> {
 protected:
  // Writes the image and reads its block as a caller does.
  std::vector<char> Load(const pegen::PeSpec& pe) {
    std::string path = dir_.Join("app.exe");
    WriteFile(path, pegen::BuildPe(pe));
    win::DWORD handle = 7;
    win::DWORD size = win::GetFileVersionInfoSizeA(path.c_str(), &handle);
    EXPECT_EQ(handle, 0u);
    std::vector<char> data(size);
    EXPECT_TRUE(win::GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
    return data;
  }
  std::string Text(const std::vector<char>& data, const char* query, UINT* len) {
    void* p = nullptr;
    if (!win::VerQueryValueA(data.data(), query, &p, len)) return "<none>";
    return std::string(static_cast<const char*>(p));
  }
  TempDir dir_;
};

TEST_P(VersionTest, QueriesAsWindows) {
  pegen::PeSpec pe;
  pe.pe32plus = GetParam();
  std::vector<char> data = Load(pe);
  ASSERT_GT(data.size(), 8u);
  size_t wLength = static_cast<unsigned char>(data[0]) | static_cast<unsigned char>(data[1]) << 8;
  EXPECT_EQ(data.size(), 2 * wLength + 4);
  EXPECT_EQ(std::string(data.data() + wLength, 4), "FE2X");

  void* p = nullptr;
  UINT len = 0;
  ASSERT_TRUE(win::VerQueryValueA(data.data(), "\\", &p, &len));
  EXPECT_EQ(len, 52u);
  EXPECT_EQ(U32(p), 0xFEEF04BDu);
  EXPECT_EQ(U32(static_cast<char*>(p) + 16), 0x00050009u);  // product version 5.9
  EXPECT_EQ(U32(static_cast<char*>(p) + 20), 0x00010064u);  // .1.100

  ASSERT_TRUE(win::VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &p, &len));
  EXPECT_EQ(len, 4u);
  EXPECT_EQ(U32(p), 0x03A80804u);

  EXPECT_EQ(Text(data, "\\StringFileInfo\\080403a8\\ProductVersion", &len), "5.9.1.100");
  EXPECT_EQ(len, 10u);
  EXPECT_EQ(Text(data, "\\\\STRINGFILEINFO\\\\080403A8\\productversion\\", &len), "5.9.1.100");
  // The copy lives in the spare half of the caller's buffer.
  win::VerQueryValueA(data.data(), "\\StringFileInfo\\080403A8\\ProductVersion", &p, &len);
  EXPECT_GE(static_cast<char*>(p), data.data() + wLength + 4);
  EXPECT_LT(static_cast<char*>(p), data.data() + data.size());

  ASSERT_TRUE(win::VerQueryValueA(data.data(), "\\StringFileInfo", &p, &len));
  EXPECT_EQ(len, 0u);

  p = &len;
  len = 5;
  EXPECT_FALSE(win::VerQueryValueA(data.data(), "\\StringFileInfo\\080403a8\\ProductVersi", &p, &len));
  EXPECT_EQ(len, 0u);
  EXPECT_EQ(p, &len);  // untouched
  EXPECT_EQ(win::GetLastError(), win::ERROR_RESOURCE_TYPE_NOT_FOUND);
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, VersionTest, ::testing::Bool());

TEST_F(VersionTest, TableKeyNeedNotMatchTranslation) {
  pegen::PeSpec pe;
  pe.stringTableKey = "040904B0";
  pe.withTranslation = false;
  std::vector<char> data = Load(pe);
  UINT len;
  EXPECT_EQ(Text(data, "\\StringFileInfo\\080403a8\\ProductVersion", &len), "<none>");
  EXPECT_EQ(Text(data, "\\StringFileInfo\\040904b0\\ProductVersion", &len), "5.9.1.100");
  EXPECT_EQ(Text(data, "\\VarFileInfo\\Translation", &len), "<none>");
}

TEST_F(VersionTest, FilesWithoutAVersionFailCleanly) {
  pegen::PeSpec pe;
  std::string image = pegen::BuildPe(pe);
  std::string noTypes = image;
  noTypes[kResourceStart + 16] = 24;  // the only type becomes a manifest
  std::string loop = image;
  loop[kResourceStart + 24 + 20] = 0;  // the name level points back at the root
  pe.withVersionResource = false;
  const std::pair<const char*, std::string> files[] = {
      {"no resource", pegen::BuildPe(pe)},
      {"no RT_VERSION", noTypes},
      {"loop", loop},
      {"text", "MZ this is not a program\r\n"},
      {"empty", ""},
  };
  for (const auto& [what, bytes] : files) {
    std::string path = dir_.Join("f.exe");
    WriteFile(path, bytes);
    char buf[64];
    EXPECT_EQ(win::GetFileVersionInfoSizeA(path.c_str(), nullptr), 0u) << what;
    EXPECT_EQ(win::GetLastError(), win::ERROR_RESOURCE_DATA_NOT_FOUND) << what;
    EXPECT_FALSE(win::GetFileVersionInfoA(path.c_str(), 0, sizeof buf, buf)) << what;
  }
  EXPECT_EQ(win::GetFileVersionInfoSizeA(dir_.Join("missing.exe").c_str(), nullptr), 0u);
  EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
}

}  // namespace
