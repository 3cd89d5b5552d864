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

// Quotes are doubled once, never rescanned. A failed insert still uses up
// its id: the walk's tests show it.
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

TEST_F(ContainerTest, RelationshipsHaveNoKey) {
  EXPECT_TRUE(taskdb::AddRelationship(dblayer::GetSharedDatabase(), 101, 7));
  EXPECT_TRUE(taskdb::AddRelationship(dblayer::GetSharedDatabase(), 101, 7));
  EXPECT_EQ(Rows("select ContainerID, TaskID from Relationship"),
            (std::vector<std::vector<std::string>>{{"101", "7"}, {"101", "7"}}));
}

}  // namespace
