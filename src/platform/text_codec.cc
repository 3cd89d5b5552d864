#include "platform/text_codec.h"

namespace platform {

namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;

// Both conversion functions take int lengths; a longer text cannot be passed.
bool FitsInt(size_t n) { return n <= static_cast<size_t>(std::numeric_limits<int>::max()); }

}  // namespace

CodecStatus DecodeText(win::UINT codePage, std::string_view text, std::u16string* out,
                       win::DWORD flags, size_t maxUnits) {
  out->clear();
  if (text.empty()) return CodecStatus::kConverted;
  if (!FitsInt(text.size())) return CodecStatus::kMeasureFailed;
  const int length = static_cast<int>(text.size());
  const int units = win::MultiByteToWideChar(codePage, flags, text.data(), length, nullptr, 0);
  if (units <= 0) return CodecStatus::kMeasureFailed;
  if (static_cast<size_t>(units) > maxUnits) return CodecStatus::kTooLong;
  out->resize(static_cast<size_t>(units));
  if (win::MultiByteToWideChar(codePage, flags, text.data(), length, out->data(), units) <= 0) {
    out->clear();
    return CodecStatus::kConvertFailed;
  }
  return CodecStatus::kConverted;
}

CodecStatus EncodeText(win::UINT codePage, std::u16string_view text, std::string* out,
                       size_t maxBytes) {
  out->clear();
  if (text.empty()) return CodecStatus::kConverted;
  if (!FitsInt(text.size())) return CodecStatus::kMeasureFailed;
  const int length = static_cast<int>(text.size());
  const int bytes =
      win::WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return CodecStatus::kMeasureFailed;
  if (static_cast<size_t>(bytes) > maxBytes) return CodecStatus::kTooLong;
  out->resize(static_cast<size_t>(bytes));
  if (win::WideCharToMultiByte(codePage, 0, text.data(), length, out->data(), bytes, nullptr,
                               nullptr) <= 0) {
    out->clear();
    return CodecStatus::kConvertFailed;
  }
  return CodecStatus::kConverted;
}

std::u16string ToUtf16(std::string_view text, win::UINT codePage, LeadingBom bom) {
  std::u16string wide;
  DecodeText(codePage, text, &wide);
  if (bom == LeadingBom::kDrop && !wide.empty() && wide[0] == kByteOrderMark) wide.erase(0, 1);
  return wide;
}

std::string FromUtf16(std::u16string_view text, win::UINT codePage) {
  std::string narrow;
  EncodeText(codePage, text, &narrow);
  return narrow;
}

std::string Recode(std::string_view text, win::UINT from, win::UINT to, win::DWORD fromFlags) {
  std::u16string wide;
  std::string out;
  if (DecodeText(from, text, &wide, fromFlags) != CodecStatus::kConverted ||
      EncodeText(to, wide, &out) != CodecStatus::kConverted)
    return std::string(text);
  return out;
}

}  // namespace platform
