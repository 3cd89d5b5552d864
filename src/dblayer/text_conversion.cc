#include "dblayer/text_conversion.h"

#include <cstring>
#include <vector>

#include "platform/codepage.h"

namespace {

// UTF-16 units of a terminated text, without its terminator; none is empty.
int32_t WideLength(const char16_t* s) {
  if (s == nullptr) return 0;
  int32_t n = 0;
  while (s[n] != 0) ++n;
  return n;
}

// A none source becomes the empty text, if there is room for its terminator.
int32_t WriteEmpty(char* dst, int32_t capacity) {
  if (capacity < 1 || dst == nullptr) return kTextBufferTooSmall;
  dst[0] = 0;
  return kTextConverted;
}

}  // namespace

int32_t WideToGbk(const char16_t* src, char* dst, int32_t capacity) {
  if (src == nullptr) return WriteEmpty(dst, capacity);
  int needed = win::WideCharToMultiByte(win::CP_GBK, 0, src, -1, nullptr, 0, nullptr, nullptr);
  if (needed == 0) return kTextMeasureFailed;
  if (needed > capacity || dst == nullptr) return kTextBufferTooSmall;
  if (win::WideCharToMultiByte(win::CP_GBK, 0, src, -1, dst, needed, nullptr, nullptr) == 0)
    return kTextConvertFailed;
  return kTextConverted;
}

int32_t AnsiToUtf8Buffer(const char* src, char* dst, int32_t capacity) {
  if (src == nullptr) return WriteEmpty(dst, capacity);
  int wide_units = win::MultiByteToWideChar(win::CP_ACP, 0, src, -1, nullptr, 0);
  if (wide_units == 0) return kTextMeasureFailed;
  std::vector<char16_t> wide(static_cast<size_t>(wide_units));
  if (win::MultiByteToWideChar(win::CP_ACP, 0, src, -1, wide.data(), wide_units) == 0)
    return kTextConvertFailed;
  int needed =
      win::WideCharToMultiByte(win::CP_UTF8, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
  if (needed == 0) return kTextMeasureFailed;
  if (needed > capacity || dst == nullptr) return kTextBufferTooSmall;
  if (win::WideCharToMultiByte(win::CP_UTF8, 0, wide.data(), -1, dst, needed, nullptr, nullptr) ==
      0)
    return kTextConvertFailed;
  return kTextConverted;
}

std::string& AnsiToUtf8(std::string& s) {
  std::vector<char> work(kAnsiToUtf8Capacity, 0);
  int32_t status = AnsiToUtf8Buffer(s.c_str(), work.data(), kAnsiToUtf8Capacity);
  // A failed conversion may have left part of a text behind; the contract is
  // an empty string then, never a torn one.
  if (status != kTextConverted) work[0] = 0;
  s.assign(work.data());
  return s;
}

bool CharEqualNoCase(char16_t a, char16_t b) {
  if (a == b) return true;
  auto is_letter = [](char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); };
  constexpr int kCaseDistance = u'a' - u'A';
  return is_letter(a) && is_letter(b) && (a - b == kCaseDistance || b - a == kCaseDistance);
}

int32_t ReplaceNoCase(const char16_t* src, const char16_t* pattern, const char16_t* replacement,
                      char16_t* dst, int32_t capacity) {
  const int32_t s_len = WideLength(src);
  const int32_t p_len = WideLength(pattern);
  const int32_t r_len = WideLength(replacement);
  if (p_len == 0) {
    if (s_len >= capacity || dst == nullptr) return s_len;
    if (s_len > 0) std::memcpy(dst, src, sizeof(char16_t) * static_cast<size_t>(s_len));
    dst[s_len] = 0;
    return s_len;
  }
  int32_t estimate = s_len;
  if (r_len > p_len) {
    double scaled = static_cast<double>(s_len) / p_len * r_len + 1;
    estimate = scaled >= 2147483647.0 ? 2147483647 : static_cast<int32_t>(scaled);
  }
  if (estimate >= capacity || dst == nullptr) return estimate;

  // The estimate bounds the output, but every write is still checked against
  // the capacity so that no rounding can carry it past the buffer.
  const int32_t limit = capacity - 1;
  int32_t out = 0;
  int32_t i = 0;
  while (i < s_len) {
    int32_t k = 0;
    while (k < p_len && i + k < s_len && CharEqualNoCase(src[i + k], pattern[k])) ++k;
    if (k == p_len) {
      for (int32_t r = 0; r < r_len && out < limit; ++r) dst[out++] = replacement[r];
      i += p_len;
    } else {
      if (out < limit) dst[out++] = src[i];
      ++i;
    }
  }
  dst[out] = 0;
  return out;
}
