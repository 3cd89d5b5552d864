#include "taskdb/task_text.h"

#include <cstdio>
#include <vector>

#include "dblayer/db_query.h"
#include "dblayer/text_conversion.h"
#include "platform/system.h"
#include "platform/text_codec.h"

namespace taskdb {

uint32_t StampCounter = kStampCounterStart;

namespace {

std::u16string Widen(const char* ascii) {
  std::u16string out;
  for (const char* p = ascii; *p != 0; ++p) out += static_cast<char16_t>(static_cast<unsigned char>(*p));
  return out;
}

// Fields of the creation stamp: shift and width of each.
struct StampField {
  int shift;
  int width;
};
constexpr StampField kStampYear{52, 7};
constexpr StampField kStampMonth{48, 4};
constexpr StampField kStampDay{43, 5};
constexpr StampField kStampHour{38, 5};
constexpr StampField kStampMinute{32, 6};
constexpr StampField kStampSecond{26, 6};
constexpr StampField kStampMillisecond{16, 10};
constexpr uint64_t kStampRandomMask = 0xFF00;  // bits 15..8 of rand, kept in place
constexpr uint64_t kStampCounterMask = 0xFF;

uint64_t Place(StampField field, uint64_t value) {
  return (value & ((uint64_t{1} << field.width) - 1)) << field.shift;
}

}  // namespace

std::u16string AnsiToWide(const std::string& ansi) {
  return platform::ToUtf16(ansi, win::CP_ACP, platform::LeadingBom::kDrop);
}

char16_t* Int64ToText(int64_t value, char16_t* buffer, int radix) {
  if (radix < 2 || radix > 36) {
    buffer[0] = 0;
    return buffer;
  }
  const bool negative = radix == 10 && value < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  char16_t digits[kInt64TextCapacity];
  int n = 0;
  do {
    int digit = static_cast<int>(magnitude % static_cast<uint64_t>(radix));
    digits[n++] = static_cast<char16_t>(digit < 10 ? u'0' + digit : u'A' + digit - 10);
    magnitude /= static_cast<uint64_t>(radix);
  } while (magnitude != 0);
  int out = 0;
  if (negative) buffer[out++] = u'-';
  while (n > 0) buffer[out++] = digits[--n];
  buffer[out] = 0;
  return buffer;
}

int32_t NextTaskId(dblayer::DbConnection* connection) {
  dblayer::DbQuery query;
  query.SetConnection(connection);
  query.SetSQL(u"select Max(ID) as maxid from TransferTask");
  int32_t largest = 0;
  if (query.Open()) {
    const void* data = nullptr;
    int32_t length = 0;
    int32_t type = 0;
    if (query.GetFieldByName(u"maxid", &data, &length, &type) && data != nullptr &&
        type == dblayer::kDbInteger)
      largest = *static_cast<const int32_t*>(data);
  }
  return largest + 1;
}

void MakeCreationStamp(int64_t* stamp) {
  win::SYSTEMTIME now{};
  win::GetSystemTime(&now);
  const uint64_t random = static_cast<uint64_t>(win::crt_rand());
  uint64_t value = Place(kStampYear, now.wYear) | Place(kStampMonth, now.wMonth) |
                   Place(kStampDay, now.wDay) | Place(kStampHour, now.wHour) |
                   Place(kStampMinute, now.wMinute) | Place(kStampSecond, now.wSecond) |
                   Place(kStampMillisecond, now.wMilliseconds) | (random & kStampRandomMask) |
                   (StampCounter & kStampCounterMask);
  *stamp = static_cast<int64_t>(value);
  ++StampCounter;
}

std::u16string ColumnName(int number) { return u"F" + IntLiteral(number); }

std::u16string IntLiteral(int32_t value) {
  char16_t buffer[kInt64TextCapacity];
  return Int64ToText(value, buffer, 10);
}

std::u16string DoubleLiteral(double value) {
  // Fixed-point with six decimals; the largest double needs about 320
  // characters, so the buffer is sized for any value.
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, "%f", value);
  return Widen(buffer);
}

std::u16string QuotedDoubleLiteral(double value) { return u"'" + DoubleLiteral(value) + u"'"; }

std::u16string TextLiteral(const std::string& ansi) {
  std::u16string wide = AnsiToWide(ansi);
  // The text ends at its first NUL, as a C string would.
  wide.resize(std::u16string(wide.c_str()).size());
  // The quote doubling gets a destination sized to the text (twice its length
  // plus the terminator, which is above ReplaceNoCase's estimate), rather
  // than a fixed 1024 units: a long URL or file name is then stored whole
  // instead of being dropped, and shorter texts come out the same.
  const int32_t capacity = static_cast<int32_t>(wide.size()) * 2 + 2;
  std::vector<char16_t> quoted(static_cast<size_t>(capacity), u'\0');
  dblayer::ReplaceNoCase(wide.c_str(), u"'", u"''", quoted.data(), capacity);
  return u"'" + std::u16string(quoted.data()) + u"'";
}

void InsertLists::Add(const std::u16string& column, const std::u16string& value) {
  if (!columns_.empty()) {
    columns_ += u',';
    values_ += u',';
  }
  columns_ += column;
  values_ += value;
}

std::u16string InsertLists::Statement(const char16_t* table) const {
  // Sized to the lists, however long: no row is cut short or dropped for
  // want of a fixed statement buffer.
  return u"insert into " + std::u16string(table) + u" (" + columns_ + u") values (" + values_ + u")";
}

}  // namespace taskdb
