// The mapping tables of one ANSI code page, in the shape Windows keeps them
// (a byte table, a lead-byte table with its trail-byte tables, and one table
// from UTF-16 unit to code), built once from ICU's Microsoft converters.
// Internal to the platform layer: codepage.cc walks these tables so that the
// Windows details (lone lead bytes, never splitting a character, '?' for
// what does not map) are ours rather than ICU's.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/win_types.h"

namespace platform {

class CodePageTable {
 public:
  static constexpr char16_t kNoChar = 0xFFFF;   // byte or pair without a character
  static constexpr uint16_t kNoCode = 0xFFFF;   // character without a code

  // The table of a supported ANSI code page (CP_UTF8 and CP_ACP excluded);
  // null for any other page. Tables live until the process ends.
  static const CodePageTable* Get(win::UINT codePage);

  bool IsLead(uint8_t byte) const { return lead_[byte]; }
  bool IsDoubleByte() const { return doubleByte_; }
  char16_t Single(uint8_t byte) const { return single_[byte]; }
  char16_t Pair(uint8_t lead, uint8_t trail) const { return pairs_[lead << 8 | trail]; }
  // A code below 0x100 is one byte, any other is lead << 8 | trail.
  uint16_t Encode(char16_t unit) const { return encode_[unit]; }

 private:
  CodePageTable() = default;
  bool Build(const char* icuName);

  bool doubleByte_ = false;
  std::array<bool, 256> lead_{};
  std::array<char16_t, 256> single_{};
  std::vector<char16_t> pairs_;
  std::vector<uint16_t> encode_;
};

}  // namespace platform
