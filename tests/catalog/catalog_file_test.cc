#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "catalog/catalog_manager.h"
#include "catalog/new_task_folders.h"
#include "fake_prefix.h"
#include "fresh_process.h"

namespace {

using testing_support::ReadFile;

const std::string kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
const char kXmlPath[] = "C:\\New\\Components\\category\\Category.xml";
const char kOldIni[] = "C:\\Old\\Profiles\\UserConfig.ini";

// A prefix with drive C: and the new installation's catalog folder.
class CatalogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::MakeDirs(prefix_.Join("drive_c/New/Components/category"));
  }

  std::string XmlFile() const { return ReadFile(prefix_.Join("drive_c/New/Components/category/Category.xml")); }
  void WriteOldIni(const std::string& text) const {
    testing_support::WriteFile(prefix_.Join("drive_c/Old/Profiles/UserConfig.ini"), text);
  }

  testing_support::FakePrefix prefix_;
  testing_support::FreshProcessState state_;
};

TEST_F(CatalogFileTest, WritesTheDocumentByteForByteAndReplacesIt) {
  catalog::CatalogManager& m = catalog::CatalogManager::Instance();
  for (std::string p : {"D:\\Down", "D:\\Down\\Movies", "E:\\Files"}) m.AddFolder(p);
  m.SetDefaultFolder("C:\\QXDOWNLOAD\\");
  EXPECT_TRUE(m.SaveToFile(kXmlPath));
  const std::string tail =
      "<Catalog Path=\"D:\\Down\\\"><Catalog Path=\"D:\\Down\\Movies\\\"/></Catalog><Catalog Path=\"E:\\Files\\\"/>"
      "</zrCatalog><zrDefaultCatalog Path=\"C:\\QXDOWNLOAD\\\"/></zrCatalogManager>";
  EXPECT_EQ(XmlFile(), kHeader + "<zrCatalogManager><zrCatalog Path=\"\">" + tail);

  std::string more = "A:\\";
  m.AddFolder(more);
  m.SaveToFile(kXmlPath);
  EXPECT_EQ(XmlFile(), kHeader + "<zrCatalogManager><zrCatalog Path=\"\"><Catalog Path=\"A:\\\"/>" + tail);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(prefix_.Join("drive_c/New/Components/category")),
                          std::filesystem::directory_iterator()),
            1);  // nothing left beside the file
}

// Written as a text file: a line feed inside a path goes out as CR LF.
TEST_F(CatalogFileTest, LineFeedInAPathIsWrittenAsCrLf) {
  std::string folder = "D:\\a\nb";
  catalog::CatalogManager::Instance().AddFolder(folder);
  catalog::CatalogManager::Instance().SetDefaultFolder("C:\\\r\n");
  catalog::CatalogManager::Instance().SaveToFile(kXmlPath);
  EXPECT_EQ(XmlFile(), kHeader + "<zrCatalogManager><zrCatalog Path=\"\"><Catalog Path=\"D:\\a\r\nb\\\"/>"
                                 "</zrCatalog><zrDefaultCatalog Path=\"C:\\\r\r\n\"/></zrCatalogManager>");
}

TEST_F(CatalogFileTest, MissingFolderWritesNothing) {
  catalog::CatalogManager::Instance().SetDefaultFolder("C:\\QXDOWNLOAD\\");
  const char* absent = "C:\\Absent\\Components\\category\\Category.xml";
  EXPECT_TRUE(catalog::CatalogManager::Instance().SaveToFile(absent));
  EXPECT_FALSE(catalog::CatalogManager::Instance().WriteToFile(absent));
  EXPECT_FALSE(testing_support::PathExists(prefix_.Join("drive_c/Absent")));
}

TEST_F(CatalogFileTest, ReadOnlyFileIsLeftAsItIs) {
  const std::string file = prefix_.Join("drive_c/New/Components/category/Category.xml");
  testing_support::WriteFile(file, "old");
  std::filesystem::permissions(file, std::filesystem::perms::owner_read);
  catalog::CatalogManager::Instance().SetDefaultFolder("C:\\QXDOWNLOAD\\");
  EXPECT_TRUE(catalog::CatalogManager::Instance().SaveToFile(kXmlPath));
  EXPECT_FALSE(catalog::CatalogManager::Instance().WriteToFile(kXmlPath));
  EXPECT_EQ(XmlFile(), "old");
}

TEST_F(CatalogFileTest, RebuildWithoutOldSettingsWritesTheDefaultFolderOnly) {
  EXPECT_TRUE(catalog::RebuildCatalog(kOldIni, kXmlPath));
  EXPECT_EQ(XmlFile(), kHeader + "<zrCatalogManager><zrCatalog Path=\"\"/>"
                                 "<zrDefaultCatalog Path=\"C:\\QXDOWNLOAD\\\"/></zrCatalogManager>");
}

// Folders of the history stay; the list adds case twins once each and keeps
// spaces; the default folder keeps its missing backslash.
TEST_F(CatalogFileTest, RebuildKeepsEarlierFoldersAndAddsTheList) {
  std::string fromHistory = "E:\\Music";
  catalog::CatalogManager::Instance().AddFolder(fromHistory);
  WriteOldIni("[NewTaskDir]\r\nnewtask=||D:\\A|||d:\\a|D:\\A\\| |E:\\Music\\Rock |\r\n"
              "[TaskDefaultSettings]\r\nDefaultFolder=D:\\A\r\n");
  catalog::RebuildCatalog(kOldIni, kXmlPath);
  EXPECT_EQ(XmlFile(), kHeader + "<zrCatalogManager><zrCatalog Path=\"\"><Catalog Path=\" \\\"/>"
                                 "<Catalog Path=\"D:\\A\\\"/><Catalog Path=\"d:\\a\\\"/><Catalog Path=\"E:\\Music\\\">"
                                 "<Catalog Path=\"E:\\Music\\Rock \\\"/></Catalog></zrCatalog>"
                                 "<zrDefaultCatalog Path=\"D:\\A\"/></zrCatalogManager>");
}

// The list is read with room for 4094 characters, the default folder for
// 1022: longer values arrive cut there.
TEST_F(CatalogFileTest, RebuildCutsLongValues) {
  const std::string list = "D:\\" + std::string(5000, 'a');
  const std::string folder = "E:\\" + std::string(2000, 'b');
  WriteOldIni("[NewTaskDir]\r\nnewtask=" + list + "\r\n[TaskDefaultSettings]\r\nDefaultFolder=" + folder + "\r\n");
  catalog::RebuildCatalog(kOldIni, kXmlPath);
  EXPECT_EQ(XmlFile(), kHeader + "<zrCatalogManager><zrCatalog Path=\"\"><Catalog Path=\"" + list.substr(0, 4094) +
                           "\\\"/></zrCatalog><zrDefaultCatalog Path=\"" + folder.substr(0, 1022) +
                           "\"/></zrCatalogManager>");
}

}  // namespace
