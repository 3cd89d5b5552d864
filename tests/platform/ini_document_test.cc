#include "platform/ini_document.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using platform::IniDocument;

struct ReadCase {
  const char* what;
  std::string file;
  const char* section;
  const char* key;
  std::optional<std::string> expected;  // nullopt: not found
};

TEST(IniDocumentTest, ReadsAsWindowsDoes) {
  const ReadCase cases[] = {
      {"blanks around names and value", " \t[ \tsec \v]\r\n \tkey \v= \tv v \v\t\r\n", "sec", "key",
       "v v"},
      {"spaces around the arguments", "[sec]\r\nkey=v\r\n", "  sec  ", "  key ", "v"},
      {"a tab in an argument is part of it", "[sec]\r\nkey=v\r\n", "\tsec", "key", std::nullopt},
      {"text after ] ignored", "[sec] junk\r\nkey=v\r\n", "sec", "key", "v"},
      {"[a][b] is only a", "[a][b]\r\nkey=v\r\n", "b", "key", std::nullopt},
      {"header without ]", "[sec\r\nkey=v\r\n", "sec", "key", "v"},
      {"empty section name", "[]\r\nkey=v\r\n", "", "key", "v"},
      {"double quotes off, inner blanks kept", "[s]\r\nk=  \"  v  \"  \r\n", "s", "k", "  v  "},
      {"single quotes off", "[s]\r\nk='v'\r\n", "s", "k", "v"},
      {"only the outer pair", "[s]\r\nk='\"v\"'\r\n", "s", "k", "\"v\""},
      {"mismatched quotes kept", "[s]\r\nk=\"v'\r\n", "s", "k", "\"v'"},
      {"lone quote kept", "[s]\r\nk=\"\r\n", "s", "k", "\""},
      {"empty quotes read empty", "[s]\r\nk=\"\"\r\n", "s", "k", ""},
      {"quotes stay on names", "[s]\r\n\"k\"=v\r\n", "s", "\"k\"", "v"},
      {"; key is a comment", "[s]\r\n;k=v\r\n", "s", ";k", std::nullopt},
      {"; comment is no key either", "[s]\r\n;k=v\r\n", "s", "k", std::nullopt},
      {"# is no comment", "[s]\r\n#k=v\r\n", "s", "#k", "v"},
      {"no inline comment", "[s]\r\nk=v ;c\r\n", "s", "k", "v ;c"},
      {"line without =", "[s]\r\nname3\r\n", "s", "name3", std::nullopt},
      {"empty value is a key", "[s]\r\nk=\r\n", "s", "k", ""},
      {"= in the value", "[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
      {"first key wins", "[s]\r\nk=1\r\nK=2\r\n", "s", "k", "1"},
      {"second section ignored", "[s]\r\nk=1\r\n[S]\r\nj=2\r\n", "s", "j", std::nullopt},
      {"CR only", "[s]\rk=v\r[t]\rj=w\r", "t", "j", "w"},
      {"LF only", "[s]\nk=v\n", "s", "k", "v"},
      {"last line without break", "[s]\r\nk=v", "s", "k", "v"},
      {"keys before any section belong to none", "k=v\r\n[s]\r\n", "s", "k", std::nullopt},
      {"UTF-8 signature breaks line 1", "\xEF\xBB\xBF[s]\r\nk=v\r\n", "s", "k", std::nullopt},
      {"UTF-8 signature, line 2 fine", "\xEF\xBB\xBF\r\n[s]\r\nk=v\r\n", "s", "k", "v"},
      // 0x81 0x5D is one character whose second byte looks like ']'.
      {"double-byte name with ] trail", "[\x81\x5D]\r\nk=v\r\n", "\x81\x5D", "k", "v"},
      {"trail bytes do not fold", "[s]\r\n\x81\x61=v\r\n", "s", "\x81\x41", std::nullopt},
      // Names compare as characters: full-width A3C1/A3E1 and Cyrillic A7A1/A7D1 fold.
      {"double-byte letters fold", "[\xA7\xA1]\r\n\xA3\xC1=v\r\n", "\xA7\xD1", "\xA3\xE1", "v"},
  };
  platform::LeadBytes lead = platform::LeadBytesForCodePage(936);
  for (const ReadCase& c : cases) {
    IniDocument<char> doc(c.file, &lead);
    EXPECT_EQ(doc.GetValue(c.section, c.key), c.expected) << c.what;
  }
}

TEST(IniDocumentTest, ParsesIntegersAsWindows) {
  struct {
    const char* text;
    unsigned expected;
  } cases[] = {{"1", 1},          {"+1", 1},           {"-1", 0xFFFFFFFFu},
               {"42A", 42},       {"B42", 0},          {"4294967296", 0},
               {"4294967297", 1}, {"-4294967297", 0xFFFFFFFFu}, {"0x10", 16},
               {"-0x10", 0xFFFFFFF0u}, {"0X10", 0}, {"0o17", 15}, {"0b101", 5},
               {"0x", 0},         {"0xFFFFFFFF1", 0xFFFFFFF1u}, {"019", 19}};
  for (const auto& c : cases) EXPECT_EQ(platform::ParseProfileInt(c.text), c.expected) << c.text;
}

struct WriteCase {
  const char* what;
  std::string before;
  const char* section;
  const char* key;
  const char* value;
  std::string after;
};

TEST(IniDocumentTest, EditsOnlyWhatItMust) {
  const WriteCase cases[] = {
      {"empty file", "", "s", "k", "v", "[s]\r\nk=v\r\n"},
      {"new section at the end", "[a]\r\nx=1\r\n", "b", "k", "v", "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
      {"line break added first", "[a]\r\nx=1", "b", "k", "v", "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
      {"UTF-8 signature is text", "\xEF\xBB\xBF", "s", "k", "v", "\xEF\xBB\xBF\r\n[s]\r\nk=v\r\n"},
      {"new key after the last key", "[a]\r\nx=1\r\n\r\n;c\r\n[b]\r\n", "a", "y", "2",
       "[a]\r\nx=1\r\ny=2\r\n\r\n;c\r\n[b]\r\n"},
      {"new key in an empty section", "[a]\n[b]\n", "a", "y", "2", "[a]\ny=2\r\n[b]\n"},
      {"header on the last line", "[a]", "a", "y", "2", "[a]\r\ny=2\r\n"},
      {"first match changed, name kept", "[A]\r\n Key = old\r\nkey=2\r\n", "a", "KEY", "new",
       "[A]\r\n Key =new\r\nkey=2\r\n"},
      {"arguments trimmed, value as given", "", "  s ", " k  ", " v ", "[s]\r\nk= v \r\n"},
      {"comments and odd lines kept", "; top\r\n[s]\r\n  k  =  1 \r\n#x\r\n", "s", "k", "2",
       "; top\r\n[s]\r\n  k  =2\r\n#x\r\n"},
      {"NULs before the first section kept", std::string("Data \0 before \0 first \0 section", 31),
       "section1", "key1", "string1",
       std::string("Data \0 before \0 first \0 section\r\n[section1]\r\nkey1=string1\r\n", 59)},
  };
  for (const WriteCase& c : cases) {
    IniDocument<char> doc(c.before);
    doc.SetValue(c.section, c.key, c.value);
    EXPECT_EQ(doc.text(), c.after) << c.what;
  }
}

TEST(IniDocumentTest, NewKeysKeepCallOrder) {
  IniDocument<char> doc("[s]\r\nb=\r\na=\r\n");
  for (const char* k : {"z", "b", "y", "a"}) doc.SetValue("s", k, "");
  EXPECT_EQ(doc.text(), "[s]\r\nb=\r\na=\r\nz=\r\ny=\r\n");
}

}  // namespace
