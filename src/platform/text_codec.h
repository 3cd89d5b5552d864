// Whole-text conversions between a code page and UTF-16, made the one way
// MultiByteToWideChar and WideCharToMultiByte are meant to be used: measure,
// then convert into exactly that much room. Every caller gets the same rules:
//
//  - The text is converted over its whole length, and a NUL in it is a
//    character like any other. Nothing is added: a caller that needs the
//    terminator converted (to count it against a buffer, or to hand out the
//    bytes of a C string) puts it at the end of the text it passes.
//  - An empty text gives an empty result without asking the code page, since
//    the two functions refuse a length of zero.
//  - A byte-order mark is an ordinary character and is kept, unless a decode
//    is asked to drop one at the front of its result (LeadingBom::kDrop).
//  - A failed conversion (a code page without a table, input refused under
//    strict flags, more room needed than the caller's bound) gives an empty
//    result; ToUtf16 and FromUtf16 return it as is, Recode returns its input
//    unchanged instead.
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace platform {

// Whether a decode keeps a U+FEFF at the front of its result. The texts the
// converter puts into the database, and the history file's path, lose it, as
// they did in the old program; what stands in for a Windows service keeps
// it, as Windows does.
enum class LeadingBom { kKeep, kDrop };

// Which step of a conversion stopped it; callers with status codes of their
// own tell these apart.
enum class CodecStatus {
  kConverted,
  kMeasureFailed,  // the size call failed
  kTooLong,        // the result would exceed the caller's bound
  kConvertFailed,  // the converting call failed
};

// The bound is for callers whose room is fixed by their own contract (a
// caller's buffer, MAX_PATH): a result that would not fit is not converted
// at all. kNoBound is no bound beyond what a conversion can return.
constexpr size_t kNoBound = std::numeric_limits<int>::max();

// text in codePage -> UTF-16, at most maxUnits units. flags go to
// MultiByteToWideChar (MB_ERR_INVALID_CHARS makes broken input fail).
CodecStatus DecodeText(win::UINT codePage, std::string_view text, std::u16string* out,
                       win::DWORD flags = 0, size_t maxUnits = kNoBound);

// UTF-16 -> codePage, at most maxBytes bytes. Unmappable characters become
// the page's default character, as WideCharToMultiByte makes them.
CodecStatus EncodeText(win::UINT codePage, std::u16string_view text, std::string* out,
                       size_t maxBytes = kNoBound);

// The two conversions that cannot report a failure other than by an empty
// result.
std::u16string ToUtf16(std::string_view text, win::UINT codePage = win::CP_ACP,
                       LeadingBom bom = LeadingBom::kKeep);
std::string FromUtf16(std::u16string_view text, win::UINT codePage = win::CP_ACP);

// text re-encoded from one code page to another through UTF-16. Text that
// does not convert is returned unchanged: what reads it (a terminator, a
// log) is better served by the original bytes than by nothing.
std::string Recode(std::string_view text, win::UINT from, win::UINT to, win::DWORD fromFlags = 0);

}  // namespace platform
