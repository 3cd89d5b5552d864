#include "platform/report.h"

#include <gtest/gtest.h>

namespace {

TEST(ReportTest, CountersInFirstUseOrderThenNotes) {
  platform::ClearReport();
  platform::ReportCount("tasks converted");
  platform::ReportNote("skipped one");
  platform::ReportCount("files copied", 3);
  platform::ReportCount("tasks converted", 2);
  EXPECT_EQ(platform::FormatReport(), "tasks converted: 3\nfiles copied: 3\nskipped one\n");
  platform::ClearReport();
  EXPECT_EQ(platform::FormatReport(), "");
}

}  // namespace
