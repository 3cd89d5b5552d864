#include "dblayer/text_conversion.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "platform/text_codec.h"

namespace dblayer {

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

int32_t StatusOf(platform::CodecStatus status) {
  switch (status) {
    case platform::CodecStatus::kConverted:
      return kTextConverted;
    case platform::CodecStatus::kMeasureFailed:
      return kTextMeasureFailed;
    case platform::CodecStatus::kTooLong:
      return kTextBufferTooSmall;
    case platform::CodecStatus::kConvertFailed:
      break;
  }
  return kTextConvertFailed;
}

// The terminator is part of what is converted, so that it counts against the
// capacity; nothing reaches dst unless the whole result fits.
int32_t EncodeInto(win::UINT code_page, std::u16string_view terminated, char* dst,
                   int32_t capacity) {
  std::string out;
  const size_t bound = dst == nullptr || capacity < 0 ? 0 : static_cast<size_t>(capacity);
  const int32_t status = StatusOf(platform::EncodeText(code_page, terminated, &out, bound));
  if (status == kTextConverted) std::memcpy(dst, out.data(), out.size());
  return status;
}

}  // namespace

int32_t WideToGbk(const char16_t* src, char* dst, int32_t capacity) {
  if (src == nullptr) return WriteEmpty(dst, capacity);
  return EncodeInto(win::CP_GBK, std::u16string_view(src, WideLength(src) + 1), dst, capacity);
}

int32_t AnsiToUtf8Buffer(const char* src, char* dst, int32_t capacity) {
  if (src == nullptr) return WriteEmpty(dst, capacity);
  std::u16string wide;
  const std::string_view terminated(src, std::strlen(src) + 1);
  const int32_t status = StatusOf(platform::DecodeText(win::CP_ACP, terminated, &wide));
  if (status != kTextConverted) return status;
  return EncodeInto(win::CP_UTF8, wide, dst, capacity);
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

}  // namespace dblayer
