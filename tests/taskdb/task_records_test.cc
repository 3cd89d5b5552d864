#include "taskdb/task_records.h"

#include <memory>

#include "platform/env.h"
#include "platform/system.h"
#include "taskdb/schema.h"
#include "taskdb/task_text.h"
#include "taskdb_fixture.h"

namespace {

// 10:30:15.250 UTC on 3 December 2026.
class FixedClock : public platform::Env {
 public:
  win::SYSTEMTIME UtcNow() override { return {2026, 12, 4, 3, 10, 30, 15, 250}; }
};

class TaskRecordsTest : public TaskDbTest {
 protected:
  void SetUp() override {
    TaskDbTest::SetUp();
    platform::SetEnv(&clock_);
    win::crt_srand(1);
    ASSERT_TRUE(taskdb::CreateTaskSchema());
  }
  void TearDown() override {
    platform::SetEnv(nullptr);
    TaskDbTest::TearDown();
  }

  // The tables that hold a row with the given ID.
  std::string TablesWith(int id) {
    std::string out;
    for (const char* table : {"TransferTask", "MetaTask", "CombineTask", "GenericTask", "EMuleTask",
                              "BTTask", "BTFileTask"}) {
      if (Scalar(std::string("select count(*) from ") + table + " where ID = " + std::to_string(id)) == "1")
        out += std::string(out.empty() ? "" : ",") + table;
    }
    return out;
  }

  FixedClock clock_;
};

std::string Utf16Le(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += std::string{c, '\0'};
  return out;
}

TEST_F(TaskRecordsTest, EachKindWritesExactlyItsTablesUnderDenseIds) {
  struct Case {
    std::unique_ptr<taskdb::TransferTaskRecord> record;
    std::string tables;
    std::string kind;
  };
  std::vector<Case> cases;
  cases.push_back(
      {std::make_unique<taskdb::GenericTaskRecord>(), "TransferTask,MetaTask,GenericTask", "0"});
  cases.push_back(
      {std::make_unique<taskdb::EMuleTaskRecord>(), "TransferTask,MetaTask,EMuleTask", "1"});
  cases.push_back(
      {std::make_unique<taskdb::BTTaskRecord>(), "TransferTask,CombineTask,BTTask", "3"});
  cases.push_back(
      {std::make_unique<taskdb::BTFileTaskRecord>(), "TransferTask,MetaTask,BTFileTask", "2"});
  int expected_id = 1;
  for (Case& c : cases) {
    EXPECT_TRUE(c.record->Save(dblayer::GetSharedDatabase()));
    EXPECT_EQ(c.record->Id, expected_id);
    EXPECT_EQ(TablesWith(expected_id), c.tables);
    EXPECT_EQ(Scalar("select F0 from TransferTask where ID = " + std::to_string(expected_id)), c.kind);
    ++expected_id;
  }
  EXPECT_EQ(Scalar("select * from CombineTask"), "3");
  EXPECT_EQ(Scalar("select count(*) from pragma_table_info('BTFileTask')"), "1");
}

TEST_F(TaskRecordsTest, FieldValuesAsLiterals) {
  taskdb::GenericTaskRecord record;
  record.ParentId = -1;
  record.F1 = "O'Brien";
  record.F2 = std::string(511, 'x');
  record.F3 = std::string(2000, '\'');  // far beyond the doubling estimate
  record.F8 = 2.5;
  record.F16 = 1;
  record.F9 = 0;
  record.F22 = -1;
  record.F102 = "url";
  record.F408 = std::string(3000, 'u') + "'";
  record.F412 = 3;
  std::u16string sql;
  ASSERT_TRUE(record.TransferTaskRecord::BuildInsert(sql));
  const std::u16string head =
      u"insert into TransferTask (ID,PARENTID,STATUS,VALID,F0,F1,F2,F3,F8,F4,F5,F11,F13,F14,"
            u"F15,F16,F17,F18,F19,F20,F21,F22,F23,F24,F25,F26,F9,F34) values (1,-1,";
  EXPECT_EQ(sql.substr(0, head.size()), head);
  EXPECT_NE(sql.find(u",'O''Brien','xxx"), std::u16string::npos);
  EXPECT_NE(sql.find(u",2.500000,0.000000,"), std::u16string::npos);
  EXPECT_NE(sql.find(u",'1.000000',0,'',0,0,'',-1,"), std::u16string::npos);

  ASSERT_TRUE(record.Save(dblayer::GetSharedDatabase()));
  auto row = Rows(
      "select F1, length(F2), length(F3), F8, typeof(F8), F16, typeof(F16), F9, typeof(F9), F22, "
      "F18, F15 from TransferTask where ID = 1");
  ASSERT_EQ(row.size(), 1u);
  EXPECT_EQ(row[0], (std::vector<std::string>{"O'Brien", "511", "2000", "2.5", "real", "1",
                                              "integer", "0", "integer", "-1", "", ""}));
  EXPECT_EQ(Scalar("select F3 from TransferTask"), std::string(2000, '\''));
  EXPECT_EQ(Scalar("select F102 from MetaTask where ID = 1"), "url");
  EXPECT_EQ(Scalar("select length(F408) from GenericTask where ID = 1"), "3001");
  EXPECT_EQ(Scalar("select F412 || ' ' || typeof(F412) from GenericTask where ID = 1"), "3.0 real");
  EXPECT_EQ(Scalar("select hex(F422) from GenericTask where ID = 1"), "00000000");
}

TEST_F(TaskRecordsTest, CreationStampFields) {
  win::crt_srand(1);
  const int64_t random = win::crt_rand();
  win::crt_srand(1);
  taskdb::StampCounter = 0x1FE;
  taskdb::BTFileTaskRecord record;
  ASSERT_TRUE(record.Save(dblayer::GetSharedDatabase()));
  const uint64_t stamp = static_cast<uint64_t>(record.CreationStamp);
  EXPECT_EQ(Scalar("select F34 from TransferTask where ID = 1"), std::to_string(stamp));
  EXPECT_EQ(stamp >> 59, 0u);
  EXPECT_EQ((stamp >> 52) & 0x7F, 106u);
  EXPECT_EQ((stamp >> 48) & 0xF, 12u);
  EXPECT_EQ((stamp >> 43) & 0x1F, 3u);
  EXPECT_EQ((stamp >> 38) & 0x1F, 10u);
  EXPECT_EQ((stamp >> 32) & 0x3F, 30u);
  EXPECT_EQ((stamp >> 26) & 0x3F, 15u);
  EXPECT_EQ((stamp >> 16) & 0x3FF, 250u);
  EXPECT_EQ(stamp & 0xFF00, static_cast<uint64_t>(random) & 0xFF00);
  EXPECT_EQ(stamp & 0xFF, 0xFEu);
  EXPECT_EQ(taskdb::StampCounter, 0x1FFu);

  // The low byte counts the stamps and wraps.
  for (int i = 0; i < 300; ++i) {
    int64_t next = 0;
    taskdb::MakeCreationStamp(&next);
    ASSERT_EQ(static_cast<uint32_t>(next & 0xFF), (0xFFu + i) & 0xFF) << i;
    ASSERT_EQ(next >> 16, static_cast<int64_t>(stamp >> 16));
  }
}

// The conversion tests read whole name lists; a name too long for its
// slot keeps 1023 units and its terminator.
TEST_F(TaskRecordsTest, OverlongBitTorrentNameIsCut) {
  taskdb::BTTaskRecord record;
  record.FileNames = {std::string(1500, 'n')};
  ASSERT_TRUE(record.Save(dblayer::GetSharedDatabase()));
  std::string blob = Scalar("select F609 from BTTask where ID = 1");
  ASSERT_EQ(blob.size(), 4u + 2048);
  EXPECT_EQ(blob.substr(4, 2046), Utf16Le(std::string(1023, 'n')));
  EXPECT_EQ(blob.substr(4 + 2046), std::string(2, '\0'));
}

// A row that fails leaves the others of its task (the walk's tests show
// that); a failing last row is what Save reports.
TEST_F(TaskRecordsTest, FailingLastRowIsWhatSaveReports) {
  Exec("insert into EMuleTask (ID) values (1)");
  taskdb::EMuleTaskRecord emule;
  EXPECT_FALSE(emule.Save(dblayer::GetSharedDatabase()));
  EXPECT_EQ(TablesWith(1), "TransferTask,MetaTask,EMuleTask");
}

}  // namespace
