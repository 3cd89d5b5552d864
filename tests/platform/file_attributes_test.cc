#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../support/test_support.h"
#include "platform/codepage.h"
#include "platform/file.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;
using testing_support::WindowsPath;
using testing_support::WriteFile;

constexpr fs::perms kWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;

TEST(FileAttributesTest, FilesFoldersAndWhatIsMissing) {
  TempDir dir;
  const std::string win = WindowsPath(dir.path());
  WriteFile(dir.Join("Vorlake/a.dat"), "x");
  WriteFile(dir.Join("Vorlake/ro.dat"), "x");
  fs::permissions(dir.Join("Vorlake/ro.dat"), kWrite, fs::perm_options::remove);

  EXPECT_EQ(win::GetFileAttributesA((win + "\\vorlake\\A.DAT").c_str()), win::FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(win::GetFileAttributesA((win + "\\Vorlake\\ro.dat").c_str()),
            win::FILE_ATTRIBUTE_ARCHIVE | win::FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(win::GetFileAttributesA((win + "\\Vorlake").c_str()), win::FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(win::GetFileAttributesA((win + "\\Vorlake\\").c_str()), win::FILE_ATTRIBUTE_DIRECTORY);
  // "." and ".." go before the path is looked up, past missing folders too.
  EXPECT_EQ(win::GetFileAttributesA((win + "\\nowhere\\..\\.\\Vorlake\\a.dat").c_str()),
            win::FILE_ATTRIBUTE_ARCHIVE);
  // A name's one trailing dot goes, and all trailing dots and spaces of the
  // last name.
  EXPECT_EQ(win::GetFileAttributesA((win + "\\Vorlake.\\a.dat").c_str()), win::FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(win::GetFileAttributesA((win + "\\Vorlake\\a.dat. .").c_str()),
            win::FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(win::GetFileAttributesA((win + "\\Vorlake\\none").c_str()), win::INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(win::GetFileAttributesA((win + "\\nowhere\\none").c_str()), win::INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(win::GetLastError(), win::ERROR_PATH_NOT_FOUND);
  // Windows refuses these characters in any name (the wildcards among
  // them): such a path names no file, even where the POSIX file system
  // holds one by that name.
  WriteFile(dir.Join("Vorlake/a*b"), "x");
  WriteFile(dir.Join("Vorlake/a?b"), "x");
  WriteFile(dir.Join("Vorlake/a\tb"), "x");
  for (const char* name : {"\\a<b", "\\a>b", "\\a|b", "\\\"Vorlake\"\\a.dat", "\\Vorlake\\a*b",
                           "\\Vorlake\\a?b", "\\Vorlake\\a.da?", "\\Vorlake\\a\tb"}) {
    EXPECT_EQ(win::GetFileAttributesA((win + name).c_str()), win::INVALID_FILE_ATTRIBUTES) << name;
  }
  fs::permissions(dir.Join("Vorlake/ro.dat"), kWrite, fs::perm_options::add);
}

}  // namespace
