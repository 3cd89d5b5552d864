#include "taskdb/container_record.h"

#include "taskdb/schema.h"
#include "taskdb_fixture.h"

namespace {

class ContainerTest : public TaskDbTest {
 protected:
  void SetUp() override {
    TaskDbTest::SetUp();
    ASSERT_TRUE(taskdb::CreateTaskSchema());
  }
};

TEST_F(ContainerTest, ContainersTakeIdsFromOneHundredAndOne) {
  taskdb::ContainerRecord first;
  first.SetName("It's Mine");
  ASSERT_TRUE(first.Save(dblayer::GetSharedDatabase()));
  taskdb::ContainerRecord second;
  second.SetName("''");
  ASSERT_TRUE(second.Save(dblayer::GetSharedDatabase()));
  EXPECT_EQ(first.ContainerId, 101);
  EXPECT_EQ(second.ContainerId, 102);
  auto rows = Rows("select * from Containers order by ContainerID");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"101", "It's Mine", "-1",
                                               "dlcategory.customcategory.icon1", "-1"}));
  EXPECT_EQ(rows[1][1], "''");
}

TEST_F(ContainerTest, FailedInsertStillUsesUpItsId) {
  Exec("insert into Containers (ContainerID) values (101)");
  taskdb::ContainerRecord clash;
  EXPECT_FALSE(clash.Save(dblayer::GetSharedDatabase()));
  EXPECT_EQ(clash.ContainerId, 101);
  taskdb::ContainerRecord next;
  EXPECT_TRUE(next.Save(dblayer::GetSharedDatabase()));
  EXPECT_EQ(next.ContainerId, 102);
  EXPECT_EQ(Scalar("select count(*) from Containers"), "2");
}

TEST_F(ContainerTest, RelationshipsHaveNoKey) {
  EXPECT_TRUE(taskdb::AddRelationship(dblayer::GetSharedDatabase(), 101, 7));
  EXPECT_TRUE(taskdb::AddRelationship(dblayer::GetSharedDatabase(), 101, 7));
  EXPECT_EQ(Rows("select ContainerID, TaskID from Relationship"),
            (std::vector<std::vector<std::string>>{{"101", "7"}, {"101", "7"}}));
}

TEST(ReplaceAllTest, ExactAndNeverRescanned) {
  struct Case {
    std::u16string text, pattern, replacement, expected;
  } cases[] = {
      {u"It's", u"'", u"''", u"It''s"},
      {u"''", u"'", u"''", u"''''"},
      {u"aAa", u"a", u"b", u"bAb"},
      {u"xx", u"x", u"xx", u"xxxx"},
      {u"abc", u"", u"z", u"abc"},
  };
  for (Case& c : cases) {
    taskdb::ReplaceAll(c.text, c.pattern, c.replacement);
    EXPECT_EQ(c.text, c.expected);
  }
}

}  // namespace
