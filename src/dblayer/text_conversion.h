// Text conversions shared by the converter: UTF-16 to code page 936, the
// system ANSI code page to UTF-8, and the case-blind replace that doubles
// single quotes for SQL literals. None of them allocates memory for the
// caller: results go into buffers the caller supplies.
#pragma once

#include <cstdint>
#include <string>

namespace dblayer {

// Status codes of WideToGbk and AnsiToUtf8Buffer.
constexpr int32_t kTextConverted = 0;
constexpr int32_t kTextBufferTooSmall = -1;
constexpr int32_t kTextMeasureFailed = -2;
constexpr int32_t kTextConvertFailed = -3;

// Converts a NUL-terminated UTF-16 text (or none) into code page 936 with its
// terminator. Nothing is written unless the whole result fits in capacity.
int32_t WideToGbk(const char16_t* src, char* dst, int32_t capacity);

// Converts a NUL-terminated text in the system ANSI code page (or none) into
// UTF-8 with its terminator, under the same rule as WideToGbk.
int32_t AnsiToUtf8Buffer(const char* src, char* dst, int32_t capacity);

// Replaces s by its UTF-8 form. Texts whose UTF-8 form needs more than
// kAnsiToUtf8Capacity - 1 bytes, or that fail to convert, become empty.
constexpr int32_t kAnsiToUtf8Capacity = 4096;
std::string& AnsiToUtf8(std::string& s);

// True when a == b, or both are ASCII letters of the two cases of one letter.
// No other character is folded.
bool CharEqualNoCase(char16_t a, char16_t b);

// Copies src into dst (capacity in UTF-16 units) with every occurrence of
// pattern, compared with CharEqualNoCase, replaced; matches do not overlap.
// When the estimated size (S / P * R + 1 if the replacement is longer than the
// pattern, else S) is not below capacity, nothing is written and the estimate
// is returned. Otherwise the result is the length written, which callers
// need not look at.
int32_t ReplaceNoCase(const char16_t* src, const char16_t* pattern, const char16_t* replacement,
                      char16_t* dst, int32_t capacity);

}  // namespace dblayer
