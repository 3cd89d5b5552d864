// The walk of a whole history file: which tasks are converted, with which
// validity and container, and which categories become containers and
// catalog folders. That the old file stays as it was is the end-to-end
// test's.
#include <gtest/gtest.h>

#include <map>

#include "dblayer/db_command.h"
#include "dblayer/shared_database.h"
#include "history_db.h"
#include "legacy/history_converter.h"
#include "legacy_test_util.h"
#include "platform/report.h"
#include "taskdb/container_record.h"

namespace {

using historygen::GenericTask;
using historygen::History;
using historygen::Storage;
using legacy_test::HistoryDb;

// Code page 936 bytes of the category names the walk treats specially.
const std::string kMusic = "\xD2\xF4\xC0\xD6";
const std::string kSoftware = "\xC8\xED\xBC\xFE";
const std::string kVideo = "\xD3\xB0\xCA\xD3";
const std::string kDownloaded = "\xD2\xD1\xCF\xC2\xD4\xD8";

// A generic task recognised by its label (its F1) after conversion.
GenericTask Labelled(const std::string& label, uint64_t id) {
  GenericTask t = legacy_test::DistinctGeneric(10, id);
  t.F1 = label;
  return t;
}

struct Outcome {
  int valid = -1;
  std::string container;  // empty when not linked
  bool operator==(const Outcome& o) const { return valid == o.valid && container == o.container; }
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << "{valid " << o.valid << ", container '" << o.container << "'}";
}

// Label of every converted task and what it became.
std::map<std::string, Outcome> Outcomes(const HistoryDb& db) {
  std::map<std::string, Outcome> out;
  for (auto& row : db.Rows("select t.F1 as label, t.VALID as valid, c.ContainerName as name "
                           "from TransferTask t left join Relationship r on r.TaskID = t.ID "
                           "left join Containers c on c.ContainerID = r.ContainerID")) {
    out[row["label"].text] = Outcome{static_cast<int>(row["valid"].number), row["name"].text};
  }
  return out;
}

uint64_t next_id = 0x100;
Storage& Category(Storage& parent, const std::string& storage, const std::string& name,
                  const std::string& folder) {
  Storage& s = parent.AddStorage(storage);
  s.AddCategory(name, folder);
  return s;
}
void AddTask(Storage& s, const std::string& label) { s.Add(Labelled(label, ++next_id)); }

TEST(HistoryWalk, CategoriesContainersAndValidity) {
  HistoryDb db;
  History h;
  AddTask(h.RunTasks(), "run");
  AddTask(h.RunTasks().AddStorage("Nested"), "run-nested");  // storages in RunTasks are ignored
  Storage& tree = h.Tree();
  AddTask(tree, "top");  // directly in History, which has no category record
  AddTask(Category(tree, "_ZRC0000000000000003", "Hidden", "D:\\Hidden"), "hidden");
  AddTask(Category(tree, "_ZRC0000000000000011", kMusic, "D:\\" + kMusic), "music");
  AddTask(Category(tree, "_ZRC0000000000000012", kSoftware, "D:\\Soft"), "software");
  AddTask(Category(tree, "_ZRC0000000000000013", kVideo, "D:\\Video"), "video");
  AddTask(Category(tree, "_ZRC0000000000000014", kDownloaded, "D:\\Done"), "downloaded");
  AddTask(Category(tree, "_ZRC0000000000000015", "NoFolder", ""), "no-folder");
  AddTask(Category(tree, "_ZRC0000000000000016", "", "D:\\NoName"), "no-name");
  AddTask(Category(tree, "_ZRC0000000000000017", "It's", "D:\\Quote"), "quote");
  {
    // A nested category gets its own container; one without a record gets
    // none, and neither inherits the parent's.
    Storage& parent = Category(tree, "_ZRC0000000000000020", "Parent", "D:\\Parent");
    AddTask(parent, "parent");
    AddTask(Category(parent, "_ZRC0000000000000021", "Child", "E:\\Child"), "child");
    AddTask(parent.AddStorage("_ZRC0000000000000022"), "grandchild-without-record");
  }
  {
    // The first record names the container; a later one changes nothing.
    Storage& twice = Category(tree, "_ZRC0000000000000030", "First", "D:\\First");
    AddTask(twice, "twice-1");
    AddTask(twice, "twice-2");
    twice.AddStream("CAT_STREAM_SECOND_RECORD", historygen::EncodeCategory("Second", "D:\\Second"));
  }
  {
    // The engine yields the 20-character task names before this longer
    // record name: the tasks come first and find no container.
    Storage& late = tree.AddStorage("_ZRC0000000000000031");
    late.AddStream("CAT_STREAM_AFTER_THE_TASKS", historygen::EncodeCategory("Late", "D:\\Late"));
    AddTask(late, "late");
  }
  ASSERT_TRUE(db.Convert(h));

  const std::map<std::string, Outcome> want = {
      {"run", {1, ""}},
      {"top", {1, ""}},
      {"hidden", {0, ""}},
      {"music", {1, "音乐_old"}},
      {"software", {1, "软件_old"}},
      {"video", {1, "影视_old"}},
      {"downloaded", {1, ""}},
      {"no-folder", {1, ""}},
      {"no-name", {1, ""}},
      {"quote", {1, "It's"}},
      {"parent", {1, "Parent"}},
      {"child", {1, "Child"}},
      {"grandchild-without-record", {1, ""}},
      {"twice-1", {1, "First"}},
      {"twice-2", {1, "First"}},
      {"late", {1, ""}},
  };
  EXPECT_EQ(Outcomes(db), want);
  EXPECT_EQ(db.Count("Containers"), 7);
  EXPECT_EQ(db.Rows("select 1 from Containers where ParentContainerID <> -1").size(), 0u);

  const std::string xml = db.CatalogXml();
  for (const char* folder : {"D:\\音乐", "D:\\Soft", "D:\\Video", "D:\\Parent", "E:\\Child",
                             "D:\\First", "D:\\Quote"})
    EXPECT_NE(xml.find(folder), std::string::npos) << folder;
  for (const char* folder : {"D:\\Done", "D:\\Hidden", "D:\\NoName", "D:\\Second", "D:\\Late"})
    EXPECT_EQ(xml.find(folder), std::string::npos) << folder;
}

TEST(HistoryWalk, TaskStreamsThatDoNotPassAreSkipped) {
  HistoryDb db;
  History h;
  Storage& run = h.RunTasks();
  AddTask(run, "good");
  GenericTask t = Labelled("bad", 0x0000000100000002ull);
  const std::string bytes = historygen::EncodeTask(t);
  run.AddStream("_ZRT000000010000000", bytes);       // 15 characters
  run.AddStream("_ZRT00000001-0000002", bytes);      // a "-" among the 16
  run.AddStream("_ZRT0000000100000003", bytes);      // identifier differs from the record's
  run.AddStream("_zrt0000000100000002", bytes);      // the prefix is case-sensitive
  run.AddStream("_ZRT00000001000000020", bytes);     // 17 characters
  run.AddStream("_ZRTG000000100000002", bytes);      // a half that does not start with a digit
  run.AddStream("_ZRT0000000100000004", bytes.substr(0, 15));  // no class identifier
  std::string unknown = bytes;
  unknown[3] ^= 0x40;
  run.AddStream("_ZRT0000000100000005", unknown);
  run.AddStream("_ZRT0000000100000006", bytes.substr(0, bytes.size() / 2));
  run.AddStream("OTHER", bytes);
  // Mixed-case hexadecimal names read like upper-case ones.
  AddTask(run, "placeholder");
  run.streams.back().name = "_ZRT00000000000001ab";
  run.streams.back().bytes = historygen::EncodeTask(Labelled("lower-hex", 0x1AB));
  ASSERT_TRUE(db.Convert(h));

  const std::map<std::string, Outcome> want = {{"good", {1, ""}}, {"lower-hex", {1, ""}}};
  EXPECT_EQ(Outcomes(db), want);
  const std::string report = platform::FormatReport();
  EXPECT_NE(report.find("RunTasks/_ZRT00000001-0000002"), std::string::npos) << report;
}

TEST(HistoryWalk, UnreadableCategoryRecordStopsOnlyItsStorage) {
  HistoryDb db;
  History h;
  Storage& tree = h.Tree();
  Storage& broken = tree.AddStorage("_ZRC0000000000000040");
  const std::string record = historygen::EncodeCategory("Broken", "D:\\Broken");
  broken.AddStream("CAT_STREAM", record.substr(0, record.size() - 1));
  AddTask(broken, "after-broken-record");                          // after it: not visited
  AddTask(broken.AddStorage("A"), "short-named-child");            // before it: visited
  AddTask(Category(broken, "_ZRC0000000000000041", "Late", "D:\\L"), "long-named-child");
  AddTask(Category(tree, "_ZRC0000000000000042", "Sibling", "D:\\Sibling"), "sibling");
  ASSERT_TRUE(db.Convert(h));

  const std::map<std::string, Outcome> want = {{"short-named-child", {1, ""}},
                                               {"sibling", {1, "Sibling"}}};
  EXPECT_EQ(Outcomes(db), want);
}

TEST(HistoryWalk, MissingHalvesAndFilesThatAreNotCompound) {
  for (bool runTasksOnly : {false, true}) {
    HistoryDb db;
    History h;
    AddTask(runTasksOnly ? h.RunTasks() : Category(h.Tree(), "_ZRC0000000000000050", "Only", "D:\\Only"),
            "only");
    ASSERT_TRUE(db.Convert(h));
    EXPECT_EQ(Outcomes(db).size(), 1u) << runTasksOnly;
  }
  {
    HistoryDb db;
    testing_support::WriteFile(db.historyPath(), "not a compound file");
    EXPECT_FALSE(db.ConvertFile(db.historyPath()));
    EXPECT_FALSE(db.ConvertFile(db.dir().Join("missing.dat")));
    EXPECT_EQ(db.Count("TransferTask"), 0);
  }
}

TEST(HistoryWalk, StopsFollowingCategoriesNestedBeyondAnyRealTree) {
  HistoryDb db;
  History h;
  Storage* level = &h.Tree();
  for (int depth = 1; depth <= legacy::kMaxCategoryDepth + 5; ++depth) {
    level = &level->AddStorage("L" + std::to_string(depth));
    if (depth == 10) AddTask(*level, "ten-deep");
  }
  AddTask(*level, "too-deep");
  ASSERT_TRUE(db.Convert(h));
  const std::map<std::string, Outcome> want = {{"ten-deep", {1, ""}}};
  EXPECT_EQ(Outcomes(db), want);
}

// The whole history is written in one transaction; a row that breaks a
// constraint must fail alone and leave every other row of the run in place.
TEST(HistoryWalk, ARowThatFailsLeavesEveryOtherRow) {
  HistoryDb db;
  const int32_t firstContainer = taskdb::ContainerIdCounter + 1;
  const std::string taken = "insert into Containers (ContainerID) values (" +
                            std::to_string(firstContainer) + ")";
  for (const std::string& sql : {std::string("insert into MetaTask (ID) values (2)"), taken}) {
    dblayer::DbCommand command;
    command.SetConnection(dblayer::GetSharedDatabase());
    command.SetSQL(std::u16string(sql.begin(), sql.end()).c_str());
    ASSERT_EQ(command.Execute(), 0);
  }
  History h;
  Storage& tree = h.Tree();
  Storage& a = Category(tree, "_ZRC0000000000000060", "A", "D:\\A");
  AddTask(a, "one");
  AddTask(a, "two");  // its MetaTask row collides
  AddTask(a, "three");
  AddTask(Category(tree, "_ZRC0000000000000061", "B", "D:\\B"), "four");
  ASSERT_TRUE(db.Convert(h));

  EXPECT_EQ(db.Count("TransferTask"), 4);
  EXPECT_EQ(db.Count("GenericTask"), 4);
  EXPECT_EQ(db.Count("MetaTask"), 4);  // the row put there first, and tasks 1, 3 and 4
  EXPECT_EQ(db.Rows("select 1 from MetaTask where F100 is null and ID = 2").size(), 1u);
  // Container A lost its row but kept its id and its links; B follows it.
  EXPECT_EQ(db.Rows("select 1 from Containers where ContainerName = 'B' and ContainerID = " +
                    std::to_string(firstContainer + 1))
                .size(),
            1u);
  EXPECT_EQ(db.Rows("select 1 from Relationship where ContainerID = " +
                    std::to_string(firstContainer))
                .size(),
            3u);
  EXPECT_EQ(db.Count("Relationship"), 4);
}

}  // namespace
