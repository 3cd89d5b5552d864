// Other readers and writers of compound files as witnesses: the generator's
// file read back by olefile, and a file written by gsf from the same streams
// converting exactly like the generator's.
#include <gtest/gtest.h>

#include <map>

#include "history_db.h"
#include "legacy_test_util.h"

namespace {

using historygen::History;
using historygen::Storage;
using legacy_test::HistoryDb;

std::string HexOf(const std::string& bytes) {
  static const char d[] = "0123456789abcdef";
  std::string s;
  for (unsigned char c : bytes) s += {d[c >> 4], d[c & 15]};
  return s;
}

// "path<TAB>hex" for every stream of the tree, as the description holds it.
void Describe(const Storage& s, const std::string& prefix, std::map<std::string, std::string>* out) {
  for (const auto& stream : s.streams) (*out)[prefix + stream.name] = HexOf(stream.bytes);
  for (const auto& child : s.storages) Describe(child, prefix + child.name + "/", out);
}

History WitnessHistory() {
  History h = historygen::MakeSampleHistory(24, 2);
  Storage& music = h.Tree().AddStorage("_ZRC0000000000000099");
  music.AddCategory("\xD2\xF4\xC0\xD6", "D:\\\xD2\xF4\xC0\xD6");
  music.Add(legacy_test::DistinctGeneric(10, 0x77));
  music.Add(legacy_test::DistinctBt(8, 0x78));
  music.Add(legacy_test::DistinctEmule(3, 0x79));
  h.RunTasks().Add(legacy_test::DistinctGeneric(4, 0x7A));
  h.Tree().AddStorage("_ZRC0000000000000003").Add(legacy_test::DistinctEmule(0, 0x7B));
  return h;
}

TEST(GeneratorWitness, OlefileReadsEveryStreamBackByteForByte) {
  testing_support::TempDir dir;
  const History h = WitnessHistory();
  const std::string path = dir.Join("h.dat");
  ASSERT_TRUE(historygen::WriteHistory(h, path));

  bool ok = false;
  std::map<std::string, std::string> want, got;
  Describe(h.root, "", &want);
  for (const auto& [name, bytes] : testing_support::ReadWithOlefile(path, &ok))
    if (name.back() != '/') got[name] = HexOf(bytes);
  EXPECT_TRUE(ok);
  EXPECT_EQ(got.size(), want.size());
  EXPECT_TRUE(got == want);
}

// Every row of the task tables (without the creation stamp, which is made at
// saving time), the container names and the links by name.
std::string Dump(const HistoryDb& db) {
  std::string out;
  for (const char* table : {"TransferTask", "MetaTask", "GenericTask", "EMuleTask", "BTTask",
                            "BTFileTask", "CombineTask"}) {
    for (auto& row : db.Rows(std::string("select * from ") + table + " order by ID")) {
      out += table;
      for (auto& [column, cell] : row)
        if (column != "F34") out += " " + column + "=" + HexOf(cell.text);
      out += "\n";
    }
  }
  for (auto& row : db.Rows("select c.ContainerName as n, r.TaskID as t from Relationship r join "
                           "Containers c on c.ContainerID = r.ContainerID order by t"))
    out += "link " + row["n"].text + " " + row["t"].text + "\n";
  return out;
}

TEST(GeneratorWitness, GsfWrittenHistoryConvertsLikeTheGenerators) {
  const History h = WitnessHistory();
  std::string ours, theirs;
  {
    HistoryDb db;
    ASSERT_TRUE(db.Convert(h));
    ours = Dump(db);
  }
  {
    HistoryDb db;
    const std::string tree = db.dir().Join("tree");
    ASSERT_TRUE(historygen::WriteAsFolders(h.root, tree));
    const std::string gsfFile = db.dir().Join("gsf.dat");
    testing_support::RunCommand("cd '" + tree + "' && gsf createole '" + gsfFile + "' RunTasks History 2>&1");
    ASSERT_TRUE(testing_support::PathExists(gsfFile));
    ASSERT_TRUE(db.ConvertFile(gsfFile));
    theirs = Dump(db);
  }
  EXPECT_GT(ours.size(), 1000u);
  EXPECT_EQ(ours, theirs);
}

}  // namespace
