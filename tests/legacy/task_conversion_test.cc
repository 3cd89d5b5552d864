// One task of each class, every field a different value, converted and read
// back from the database: each column holds what the conversion promises.
#include <gtest/gtest.h>

#include "history_db.h"
#include "legacy/conversions.h"
#include "legacy_test_util.h"

namespace {

using legacy_test::Cell;
using legacy_test::HistoryDb;
using legacy_test::Row;

std::string Hex(uint8_t first) { return legacy::BytesToHex(legacy_test::HashFrom(first)); }

// Expected columns: a number (compared to six decimals, as the rows are
// written) or a text.
struct Want {
  const char* column;
  double number;
  const char* text;  // null for a number
};

void ExpectColumns(const Row& row, std::initializer_list<Want> wants) {
  ASSERT_FALSE(row.empty());
  for (const Want& w : wants) {
    SCOPED_TRACE(w.column);
    auto it = row.find(w.column);
    ASSERT_NE(it, row.end());
    if (w.text) {
      EXPECT_EQ(it->second.text, w.text);
    } else {
      EXPECT_NEAR(it->second.number, w.number, 1e-6);
    }
  }
}

class TaskConversion : public ::testing::Test {
 protected:
  HistoryDb db;
};

TEST_F(TaskConversion, GenericTaskInRunTasks) {
  historygen::History history;
  history.RunTasks().Add(legacy_test::DistinctGeneric(10, 0x1122334455667788ull));
  ASSERT_TRUE(db.Convert(history));

  const std::string f15 = Hex(0x10), f102 = Hex(0xA0);
  ExpectColumns(db.OneRow("select * from TransferTask"),
      {{"ID", 1, nullptr}, {"PARENTID", -1, nullptr}, {"STATUS", 100, nullptr},
       {"VALID", 1, nullptr}, {"F0", 0, nullptr}, {"F1", 0, "http://host/path/file.tar.gz"},
       {"F2", 0, ""}, {"F3", 0, "http://referer/"}, {"F8", 8000000008.0, nullptr},
       {"F4", 4000000000004.0, nullptr}, {"F5", 4000000000004.0, nullptr},
       {"F11", 38790.430903, nullptr}, {"F13", -13, nullptr}, {"F14", 39187.473275, nullptr},
       {"F15", 0, f15.c_str()}, {"F16", 1, nullptr}, {"F17", 1, nullptr}, {"F18", 0, "file.tar.gz"},
       {"F19", 0, nullptr}, {"F20", 1, nullptr}, {"F21", 0, "C:\\Down\\"}, {"F22", 22, nullptr},
       {"F23", 2323, nullptr}, {"F24", 24, nullptr}, {"F25", 77, nullptr}, {"F26", 26, nullptr},
       {"F9", 0, nullptr}});
  ExpectColumns(db.OneRow("select * from MetaTask"),
      {{"ID", 1, nullptr}, {"F100", 0, "file.tar.gz"}, {"F103", 103, nullptr},
       {"F101", 0, f15.c_str()}, {"F102", 0, f102.c_str()}, {"F104", 0, nullptr}, {"F105", 0, "gz"}});
  const Row generic = db.OneRow("select * from GenericTask");
  ExpectColumns(generic,
      {{"ID", 1, nullptr}, {"F404", 404, nullptr}, {"F405", 1, nullptr}, {"F406", 406, nullptr},
       {"F407", 0, nullptr}, {"F408", 0, ""}, {"F409", 0, "v409"}, {"F410", 410, nullptr},
       {"F411", 411, nullptr}, {"F412", 0x412, nullptr}, {"F413", 0, "v413"}, {"F414", 0, "v414"},
       {"F415", 0, "v415"}, {"F416", 0, "v416"}, {"F417", 0, "v417"}, {"F418", 1, nullptr},
       {"F419", 0, "v419"}, {"F420", 420, nullptr}, {"F421", 421, nullptr}});
  EXPECT_EQ(generic.at("F422").text, std::string(4, '\0'));
  EXPECT_EQ(db.Count("Relationship"), 0);
  EXPECT_EQ(db.Count("Containers"), 0);
}

TEST_F(TaskConversion, BtTaskWithThreeFilesTwoSelected) {
  historygen::History history;
  historygen::Storage& category = history.Tree().AddStorage("_ZRC0000000000000010");
  category.AddCategory("Films", "D:\\Films");
  category.Add(legacy_test::DistinctBt(8));
  ASSERT_TRUE(db.Convert(history));

  ExpectColumns(db.OneRow("select * from TransferTask where F0 = 3"),
      {{"ID", 1, nullptr}, {"PARENTID", -1, nullptr}, {"STATUS", 100, nullptr},
       {"VALID", 1, nullptr}, {"F1", 0, "C:\\New\\Profiles\\Torrents\\abc.torrent"}, {"F2", 0, ""},
       {"F3", 0, "bt-comment"}, {"F8", 6000000008.0, nullptr}, {"F4", 6000000004.0, nullptr},
       {"F5", 5000, nullptr}, {"F11", 39584.515648, nullptr}, {"F13", 613, nullptr},
       {"F14", 39981.558021, nullptr}, {"F15", 0, ""}, {"F16", 1, nullptr}, {"F17", 1, nullptr},
       {"F18", 0, "v606"}, {"F19", 0, nullptr}, {"F20", 1, nullptr}, {"F21", 0, "D:\\Bt\\"},
       {"F22", 6022, nullptr}, {"F23", 6023, nullptr}, {"F24", 0, nullptr}, {"F25", 9, nullptr},
       {"F26", 626, nullptr}});
  const std::string f613 = Hex(0x30);
  const Row bt = db.OneRow("select * from BTTask");
  ExpectColumns(bt,
      {{"ID", 1, nullptr}, {"F606", 0, "v606"}, {"F607", 0, ""}, {"F608", 0, ""},
       {"F610", 0, "v610"}, {"F611", 0, "v611"}, {"F612", 0, "v612"}, {"F613", 0, f613.c_str()}});
  std::string names(4 + 2 * 2048, '\0');
  names[0] = 2;
  for (size_t i = 0; i < 5; ++i) names[4 + 2 * i] = "a.txt"[i], names[4 + 2048 + 2 * i] = "b.txt"[i];
  EXPECT_EQ(bt.at("F609").text, names);
  EXPECT_EQ(db.Count("CombineTask"), 1);

  const auto files = db.Rows(
      "select * from TransferTask t join MetaTask m on t.ID = m.ID join BTFileTask b on b.ID = t.ID "
      "order by t.F19");
  ASSERT_EQ(files.size(), 3u);
  const char* names3[] = {"dir\\one.bin", "dir\\two", "three.dat"};
  const double sizeA[] = {1000, 2000, 4000}, sizeB[] = {1000, 10, 3999};
  const double status[] = {200, 200, 100}, selected[] = {1, 0, 1}, hash1[] = {1, 0, 1};
  const double finished[] = {1, 0, 0};
  const char* exts[] = {"bin", "", "dat"};
  const std::string h1[] = {Hex(0x50), "", Hex(0x90)}, h2[] = {"", Hex(0x80), Hex(0xB0)};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    ExpectColumns(files[i],
        {{"PARENTID", 1, nullptr}, {"STATUS", status[i], nullptr}, {"VALID", 1, nullptr},
         {"F0", 2, nullptr}, {"F1", 0, ""}, {"F3", 0, ""}, {"F8", sizeB[i], nullptr},
         {"F4", sizeA[i], nullptr}, {"F5", sizeA[i], nullptr}, {"F11", 39584.515648, nullptr},
         {"F13", 613, nullptr}, {"F14", 39981.558021, nullptr}, {"F15", 0, ""},
         {"F16", hash1[i], nullptr}, {"F17", selected[i], nullptr}, {"F18", 0, names3[i]},
         {"F19", double(i), nullptr}, {"F20", 1, nullptr}, {"F21", 0, "D:\\Bt\\"},
         {"F22", 6022, nullptr}, {"F23", 6023, nullptr}, {"F24", 0, nullptr}, {"F25", 0, nullptr},
         {"F26", 626, nullptr}, {"F100", 0, names3[i]}, {"F103", 0, nullptr},
         {"F101", 0, h1[i].c_str()}, {"F102", 0, h2[i].c_str()}, {"F104", finished[i], nullptr},
         {"F105", 0, exts[i]}});
  }
  // The task is linked to its category; its files are not.
  const auto links = db.Rows("select r.TaskID, c.ContainerName from Relationship r join Containers c "
                             "on r.ContainerID = c.ContainerID");
  ASSERT_EQ(links.size(), 1u);
  EXPECT_EQ(links[0].at("TaskID").number, 1);
  EXPECT_EQ(links[0].at("ContainerName").text, "Films");
}

TEST_F(TaskConversion, EmuleTaskInTheHiddenStorage) {
  historygen::History history;
  historygen::Storage& hidden = history.Tree().AddStorage("_ZRC0000000000000003");
  hidden.AddCategory("Hidden", "D:\\Hidden");
  hidden.Add(legacy_test::DistinctEmule(2));
  ASSERT_TRUE(db.Convert(history));

  const std::string f15 = Hex(0x11), f102 = Hex(0x22), f508 = Hex(0x33);
  ExpectColumns(db.OneRow("select * from TransferTask t join MetaTask m on t.ID = m.ID join " "EMuleTask e on e.ID = t.ID"),
      {{"PARENTID", -1, nullptr}, {"STATUS", 0, nullptr}, {"VALID", 0, nullptr}, {"F0", 1, nullptr},
       {"F1", 0, "ed2k://|file|movie.avi|100|/"}, {"F2", 0, ""}, {"F3", 0, "emule-comment"},
       {"F8", 5000000031.0, nullptr}, {"F4", 5000000030.0, nullptr}, {"F5", 5000000030.0, nullptr},
       {"F11", 40377.600394, nullptr}, {"F13", 529, nullptr}, {"F14", 40774.642766, nullptr},
       {"F15", 0, f15.c_str()}, {"F16", 1, nullptr}, {"F17", 1, nullptr}, {"F18", 0, "movie.avi"},
       {"F19", 0, nullptr}, {"F20", 1, nullptr}, {"F21", 0, ""}, {"F22", 522, nullptr},
       {"F23", 0, nullptr}, {"F24", 524, nullptr}, {"F25", 5, nullptr}, {"F26", 526, nullptr},
       {"F9", 0, nullptr}, {"F100", 0, "movie.avi"}, {"F103", 1, nullptr}, {"F101", 0, f15.c_str()},
       {"F102", 0, f102.c_str()}, {"F104", 0, nullptr}, {"F105", 0, "avi"}, {"F505", 0, ""},
       {"F506", 0, "v506"}, {"F507", 0, f102.c_str()}, {"F508", 0, f508.c_str()}, {"F509", 0, ""},
       {"F510", 0, "v510"}, {"F511", 0, "v511"}});
  EXPECT_EQ(db.Count("Containers"), 0);
  EXPECT_EQ(db.Count("Relationship"), 0);
}

TEST_F(TaskConversion, OlderVersionsAndMissingProperty) {
  historygen::History history;
  auto generic = legacy_test::DistinctGeneric(2, 1);  // no F102, no property map
  generic.FileName = "README";
  generic.F416.clear();
  generic.F417.clear();
  history.RunTasks().Add(generic);
  auto bt = legacy_test::DistinctBt(1, 2);  // F606 empty: F18 comes from the file name
  bt.F606.clear();
  bt.FileNames.clear();
  history.RunTasks().Add(bt);
  ASSERT_TRUE(db.Convert(history));

  const Row g = db.OneRow("select * from TransferTask t join MetaTask m on t.ID = m.ID join "
                          "GenericTask g on g.ID = t.ID where t.F0 = 0");
  ExpectColumns(g,
      {{"F25", 0, nullptr}, {"F102", 0, std::string(40, '0').c_str()}, {"F105", 0, ""},
       {"F418", 0, nullptr}, {"F413", 0, ""}});
  const Row b = db.OneRow("select * from TransferTask t join BTTask b on t.ID = b.ID");
  ExpectColumns(b,
      {{"F18", 0, "bt-name"}, {"F25", 0, nullptr}, {"F610", 0, ""}});
  EXPECT_EQ(b.at("F609").text, std::string(2052, '\0'));
}

// The old texts are C strings: a NUL among a text's bytes ends the text for
// every test made on it, not only for what reaches the database.
TEST_F(TaskConversion, TextsEndAtTheirFirstNul) {
  using std::string_literals::operator""s;
  historygen::History history;
  historygen::Storage& music = history.Tree().AddStorage("_ZRC0000000000000010");
  music.AddCategory("\xD2\xF4\xC0\xD6\0"s, "D:\\Music\0junk"s);  // the terminator counted
  auto generic = legacy_test::DistinctGeneric(10, 1);
  generic.FileName = "a.txt\0.bak"s;
  generic.F416 = "\0x"s;
  generic.F417.clear();
  generic.Properties.items = {historygen::Property::I4("NeedDrawUnopen\0"s, 3)};
  music.Add(generic);
  auto bt = legacy_test::DistinctBt(8, 2);
  bt.F606 = "\0v606"s;
  music.Add(bt);
  ASSERT_TRUE(db.Convert(history));

  ExpectColumns(db.OneRow("select * from TransferTask t join MetaTask m on t.ID = m.ID join "
                          "GenericTask g on g.ID = t.ID"),
      {{"F18", 0, "a.txt"}, {"F105", 0, "txt"}, {"F416", 0, ""}, {"F418", 0, nullptr},
       {"F25", 3, nullptr}});
  ExpectColumns(db.OneRow("select * from TransferTask t join BTTask b on t.ID = b.ID"),
      {{"F18", 0, "bt-name"}, {"F606", 0, ""}});
  EXPECT_EQ(db.OneRow("select ContainerName from Containers").at("ContainerName").text,
            "音乐_old");
  EXPECT_NE(db.CatalogXml().find("Path=\"D:\\Music\\\""), std::string::npos) << db.CatalogXml();
}

}  // namespace
