// The pieces every row writer of the task database is made of: task ids,
// creation stamps, and the conversion of field values into SQL literals
// placed in two parallel comma-separated lists of columns and values.
#pragma once

#include <cstdint>
#include <string>

namespace dblayer {
class DbConnection;
}  // namespace dblayer

namespace taskdb {

// Process-wide count of creation stamps made; its low byte goes into each
// stamp, so that stamps made in the same millisecond still differ.
inline constexpr uint32_t kStampCounterStart = 0;
extern uint32_t StampCounter;

// The narrow text in the system ANSI code page as UTF-16, without a leading
// byte-order mark. Empty when there is nothing to convert.
std::u16string AnsiToWide(const std::string& ansi);

// Writes value in the radix (2..36; digits above 9 are capital letters) with
// its terminator into buffer, which must hold kInt64TextCapacity units. Only
// radix 10 writes a sign; other radixes show the value's 64 bits unsigned.
constexpr int kInt64TextCapacity = 66;
char16_t* Int64ToText(int64_t value, char16_t* buffer, int radix);

// 1 + the largest ID in TransferTask, or 1 when the table is empty or cannot
// be read. Asked afresh for every task, so ids stay dense.
int32_t NextTaskId(dblayer::DbConnection* connection);

// A 64-bit stamp of the current UTC time (year modulo 128 down to the
// millisecond), one rand value and the low byte of StampCounter, which it
// then increments.
void MakeCreationStamp(int64_t* stamp);

// "F<number>": the name of a numbered column.
std::u16string ColumnName(int number);

// Literals as they are placed in the value lists.
std::u16string IntLiteral(int32_t value);               // "%d"
std::u16string DoubleLiteral(double value);             // "%f"
std::u16string QuotedDoubleLiteral(double value);       // "'%f'"
std::u16string TextLiteral(const std::string& ansi);    // quotes doubled, then '...'

// The two lists of one INSERT statement.
class InsertLists {
 public:
  void Add(const std::u16string& column, const std::u16string& value);
  void Add(int column_number, const std::u16string& value) { Add(ColumnName(column_number), value); }

  const std::u16string& columns() const { return columns_; }
  const std::u16string& values() const { return values_; }

  // "insert into <table> (<columns>) values (<values>)".
  std::u16string Statement(const char16_t* table) const;

 private:
  std::u16string columns_;
  std::u16string values_;
};

}  // namespace taskdb
