#include "driver/run_report.h"

#include "platform/report.h"
#include "platform/text_codec.h"

namespace driver {

void PublishRunReport(const std::vector<std::string>& lines) {
  std::string text;
  // The run's lines hold paths in the ANSI code page; the reader gets UTF-8.
  for (const std::string& line : lines)
    text += platform::Recode(line, win::CP_ACP, win::CP_UTF8) + "\n";
  text += platform::FormatReport();
  if (!text.empty() && text.back() != '\n') text += '\n';
  platform::WriteReportText(text);
}

void PublishRunFailure() {
  platform::WriteReportText("vorlake-upgrade: the run stopped on an unexpected error\n");
}

}  // namespace driver
