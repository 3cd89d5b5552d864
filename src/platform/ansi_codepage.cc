// GetACP: the ANSI code page Windows would use for the POSIX locale of the
// process, i.e. the code page of the same system locale on Windows. The
// codeset part of the POSIX locale (".UTF-8", ".GBK") does not matter:
// Windows programs see ANSI text in the page of their language.

#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/env.h"

namespace win {

namespace {

// What a Windows program meets on the machines it was made for.
constexpr UINT kCodePageWithoutLocale = 936;
// Windows gives Latin-script languages without a page of their own 1252.
constexpr UINT kCodePageOtherwise = 1252;

struct LanguagePage {
  std::string_view language;
  UINT codePage;
};

constexpr LanguagePage kLanguagePages[] = {
    {"ja", 932},   {"ko", 949},   {"th", 874},   {"vi", 1258},  {"el", 1253},
    {"he", 1255},  {"iw", 1255},  {"yi", 1255},
    // Central European (Latin 2)
    {"pl", 1250},  {"cs", 1250},  {"sk", 1250},  {"hu", 1250},  {"hr", 1250},
    {"sl", 1250},  {"ro", 1250},  {"sq", 1250},  {"bs", 1250},  {"tk", 1250},
    // Cyrillic
    {"ru", 1251},  {"uk", 1251},  {"be", 1251},  {"bg", 1251},  {"sr", 1251},
    {"mk", 1251},  {"kk", 1251},  {"ky", 1251},  {"tt", 1251},  {"mn", 1251},
    {"ba", 1251},  {"sah", 1251}, {"tg", 1251},  {"cv", 1251},  {"os", 1251},
    // Turkic in Latin script
    {"tr", 1254},  {"az", 1254},  {"uz", 1254},
    // Arabic script
    {"ar", 1256},  {"fa", 1256},  {"ur", 1256},  {"ug", 1256},  {"ps", 1256},
    {"prs", 1256}, {"ckb", 1256}, {"sd", 1256},
    // Baltic
    {"et", 1257},  {"lv", 1257},  {"lt", 1257},
};

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// The first locale variable that is set and not empty, as setlocale would
// take it for LC_CTYPE.
const char* LocaleValue() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return nullptr;
}

UINT CodePageOfLocale(std::string_view locale) {
  // language[_territory][.codeset][@modifier]
  size_t at = locale.find('@');
  std::string modifier = at == std::string_view::npos ? "" : Lower(locale.substr(at + 1));
  std::string_view base = locale.substr(0, at);
  base = base.substr(0, base.find('.'));
  size_t underscore = base.find_first_of("_-");
  std::string language = Lower(base.substr(0, underscore));
  std::string territory =
      underscore == std::string_view::npos ? "" : Lower(base.substr(underscore + 1));

  if (language == "zh") {
    if (territory == "tw" || territory == "hk" || territory == "mo") return 950;
    return 936;
  }
  // Serbian in Latin script; Azeri, Uzbek and Bosnian in Cyrillic.
  if (modifier == "latin" && language == "sr") return 1250;
  if (modifier == "cyrillic") return 1251;
  for (const LanguagePage& entry : kLanguagePages) {
    if (entry.language == language) return entry.codePage;
  }
  return kCodePageOtherwise;
}

}  // namespace

UINT GetACP() { return platform::CurrentEnv()->AnsiCodePage(); }

}  // namespace win

namespace platform {

// The code page of the user's locale, as setlocale would take it for
// LC_CTYPE from the process environment.
win::UINT Env::AnsiCodePage() {
  using namespace win;
  const char* value = LocaleValue();
  if (!value) return kCodePageWithoutLocale;
  std::string_view locale(value);
  if (locale == "C" || locale == "POSIX" || locale.substr(0, 2) == "C.") {
    return kCodePageWithoutLocale;
  }
  return CodePageOfLocale(locale);
}

}  // namespace platform
