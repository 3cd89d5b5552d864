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

#include "base/win_types.h"

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
  // False for bytes without a character and for the unassigned bytes that
  // Windows maps into the private use area: MB_ERR_INVALID_CHARS rejects both.
  bool SingleIsValid(uint8_t byte) const { return singleValid_[byte]; }
  char16_t Pair(uint8_t lead, uint8_t trail) const { return pairs_[lead << 8 | trail]; }
  // A code below 0x100 is one byte, any other is lead << 8 | trail.
  uint16_t Encode(char16_t unit) const { return encode_[unit]; }
  // What broken input (a lone lead byte, an invalid pair) decodes to.
  char16_t UnicodeDefault() const { return unicodeDefault_; }
  // The look-alike that a single-byte page gives a character it lacks when
  // best fit is allowed: a letter without its accents, an ASCII character
  // for its full-width form, a similar ideograph. kNoCode when there is none.
  uint16_t BestFit(char16_t unit) const {
    return bestFit_.empty() ? kNoCode : bestFit_[unit];
  }

 private:
  CodePageTable() = default;
  bool Build(win::UINT codePage, const char* icuName);
  void BuildBestFit();

  char16_t Decode(uint16_t code) const {
    return code < 0x100 ? single_[code] : doubleByte_ ? pairs_[code] : kNoChar;
  }

  bool doubleByte_ = false;
  char16_t unicodeDefault_ = u'?';
  std::array<bool, 256> singleValid_{};
  std::array<bool, 256> lead_{};
  std::array<char16_t, 256> single_{};
  std::vector<char16_t> pairs_;
  std::vector<uint16_t> encode_;
  std::vector<uint16_t> bestFit_;
};

}  // namespace platform
