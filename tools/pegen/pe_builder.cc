#include "pegen/pe_builder.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace pegen {

namespace {

constexpr uint32_t kFileAlignment = 0x200;
constexpr uint32_t kSectionAlignment = 0x1000;
constexpr uint32_t kPeHeaderOffset = 0x80;
constexpr uint32_t kSectionRva = 0x1000;
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr uint16_t kMachineI386 = 0x14C;
constexpr uint16_t kMachineAmd64 = 0x8664;
constexpr uint16_t kRtVersion = 16;
constexpr uint16_t kVsVersionInfoId = 1;
constexpr uint32_t kSubdirectoryBit = 0x80000000u;
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BDu;
constexpr uint32_t kResourceDirectorySlot = 2;
constexpr uint32_t kDataDirectoryCount = 16;

void Put16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, static_cast<uint16_t>(v & 0xFFFF));
  Put16(out, static_cast<uint16_t>(v >> 16));
}
void Put64(std::string& out, uint64_t v) {
  Put32(out, static_cast<uint32_t>(v));
  Put32(out, static_cast<uint32_t>(v >> 32));
}
void Set16(std::string& out, size_t at, uint16_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>(v >> 8);
}
void PadTo(std::string& out, size_t alignment) {
  while (out.size() % alignment) out.push_back('\0');
}
uint32_t AlignUp(uint32_t v, uint32_t a) { return (v + a - 1) / a * a; }

std::u16string FromUtf8(const std::string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    uint32_t cp = c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra) cp = c & (0x3F >> extra);
    ++i;
    for (int k = 0; k < extra && i < s.size(); ++k, ++i) {
      cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

// One node of a version block: key, value and children, serialised as
// wLength, wValueLength, wType, the key, padding, the value, padding and the
// children, each child on a 32-bit boundary.
struct Node {
  std::u16string key;
  uint16_t type = 1;          // 1 text, 0 binary
  uint16_t valueLength = 0;   // characters for text, bytes for binary
  std::string value;          // the value's bytes
  std::vector<Node> children;
};

std::string Serialize(const Node& node) {
  std::string out;
  Put16(out, 0);
  Put16(out, node.valueLength);
  Put16(out, node.type);
  for (char16_t c : node.key) Put16(out, c);
  Put16(out, 0);
  PadTo(out, 4);
  out += node.value;
  for (const Node& child : node.children) {
    PadTo(out, 4);
    out += Serialize(child);
  }
  Set16(out, 0, static_cast<uint16_t>(out.size()));
  return out;
}

Node TextNode(const std::u16string& key, const std::u16string& text) {
  Node n;
  n.key = key;
  n.type = 1;
  n.valueLength = static_cast<uint16_t>(text.size() + 1);
  for (char16_t c : text) Put16(n.value, c);
  Put16(n.value, 0);
  return n;
}

// "a.b.c.d" as the two DWORDs of VS_FIXEDFILEINFO; missing parts are 0.
void VersionWords(const std::string& text, uint32_t* ms, uint32_t* ls) {
  unsigned part[4] = {0, 0, 0, 0};
  std::sscanf(text.c_str(), "%u.%u.%u.%u", &part[0], &part[1], &part[2], &part[3]);
  *ms = (part[0] & 0xFFFF) << 16 | (part[1] & 0xFFFF);
  *ls = (part[2] & 0xFFFF) << 16 | (part[3] & 0xFFFF);
}

std::string VersionBlock(const PeSpec& pe) {
  const std::string& fileVersion = pe.fileVersion.empty() ? pe.productVersion : pe.fileVersion;
  Node root;
  root.key = u"VS_VERSION_INFO";
  root.type = 0;
  uint32_t fileMs, fileLs, productMs, productLs;
  VersionWords(fileVersion, &fileMs, &fileLs);
  VersionWords(pe.productVersion, &productMs, &productLs);
  for (uint32_t v : {kFixedInfoSignature, 0x00010000u, fileMs, fileLs, productMs, productLs,
                     0x3Fu /*flags mask*/, 0u /*flags*/, 0x00040004u /*NT, Win32*/,
                     1u /*application*/, 0u, 0u, 0u}) {
    Put32(root.value, v);
  }
  root.valueLength = static_cast<uint16_t>(root.value.size());

  std::string tableKey = pe.stringTableKey;
  if (tableKey.empty()) {
    char buf[9];
    std::snprintf(buf, sizeof buf, "%04X%04X", pe.language, pe.codePage);
    tableKey = buf;
  }
  Node table;
  table.key = FromUtf8(tableKey);
  table.children.push_back(TextNode(u"FileVersion", FromUtf8(fileVersion)));
  table.children.push_back(TextNode(u"ProductVersion", FromUtf8(pe.productVersion)));
  Node strings;
  strings.key = u"StringFileInfo";
  strings.children.push_back(table);
  root.children.push_back(strings);

  if (pe.withTranslation) {
    Node var;
    var.key = u"Translation";
    var.type = 0;
    Put16(var.value, pe.language);
    Put16(var.value, pe.codePage);
    var.valueLength = 4;
    Node vars;
    vars.key = u"VarFileInfo";
    vars.children.push_back(var);
    root.children.push_back(vars);
  }
  return Serialize(root);
}

void PutDirectoryHeader(std::string& out, uint16_t idEntries) {
  for (uint32_t v : {0u, 0u, 0u}) Put32(out, v);  // characteristics, stamp, version
  Put16(out, 0);                                   // named entries
  Put16(out, idEntries);
}

// The .rsrc section: type 16 -> name 1 -> languages (ascending) -> one data
// entry and one block per language.
std::string ResourceSection(const PeSpec& pe) {
  std::vector<uint16_t> languages = pe.moreLanguages;
  languages.push_back(pe.language);
  std::sort(languages.begin(), languages.end());
  languages.erase(std::unique(languages.begin(), languages.end()), languages.end());
  const uint32_t n = static_cast<uint32_t>(languages.size());

  constexpr uint32_t kSmallDir = 24;  // header and one entry
  const uint32_t dataEntries = 2 * kSmallDir + 16 + 8 * n;
  uint32_t blockAt = dataEntries + 16 * n;
  std::vector<std::string> blocks;
  std::string out;
  PutDirectoryHeader(out, 1);
  Put32(out, kRtVersion);
  Put32(out, kSubdirectoryBit | kSmallDir);
  PutDirectoryHeader(out, 1);
  Put32(out, kVsVersionInfoId);
  Put32(out, kSubdirectoryBit | (2 * kSmallDir));
  PutDirectoryHeader(out, static_cast<uint16_t>(n));
  for (uint32_t i = 0; i < n; ++i) {
    Put32(out, languages[i]);
    Put32(out, dataEntries + 16 * i);
  }
  for (uint32_t i = 0; i < n; ++i) {
    PeSpec one = pe;
    one.language = languages[i];
    blocks.push_back(VersionBlock(one));
    Put32(out, kSectionRva + blockAt);  // the data entry holds an RVA
    Put32(out, static_cast<uint32_t>(blocks.back().size()));
    Put32(out, 0);
    Put32(out, 0);
    blockAt += static_cast<uint32_t>((blocks.back().size() + 3) & ~size_t{3});
  }
  for (const std::string& block : blocks) {
    out += block;
    PadTo(out, 4);
  }
  return out;
}

}  // namespace

std::string BuildPe(const PeSpec& pe) {
  std::string section = pe.withVersionResource ? ResourceSection(pe) : std::string(16, '\0');
  const uint32_t sectionRaw = AlignUp(static_cast<uint32_t>(section.size()), kFileAlignment);
  const uint32_t imageSize = kSectionRva + AlignUp(sectionRaw, kSectionAlignment);
  const bool plus = pe.pe32plus;

  std::string out;
  // DOS header: the signature and where the PE header is; the rest stays 0.
  out += "MZ";
  out.resize(0x3C, '\0');
  Put32(out, kPeHeaderOffset);
  out += "This program cannot be run in DOS mode.";
  out.resize(kPeHeaderOffset, '\0');

  out += std::string("PE\0\0", 4);
  Put16(out, plus ? kMachineAmd64 : kMachineI386);
  Put16(out, 1);  // sections
  Put32(out, 0);  // time stamp
  Put32(out, 0);  // symbol table
  Put32(out, 0);  // symbols
  Put16(out, static_cast<uint16_t>(plus ? 240 : 224));
  Put16(out, static_cast<uint16_t>(plus ? 0x0022 : 0x0102));  // executable (, 32-bit)

  Put16(out, plus ? kMagicPe32Plus : kMagicPe32);
  out.push_back(14);  // linker version
  out.push_back(0);
  Put32(out, 0);           // size of code
  Put32(out, sectionRaw);  // size of initialised data
  Put32(out, 0);           // size of uninitialised data
  Put32(out, 0);           // entry point: none, the image is only read
  Put32(out, kSectionRva);  // base of code
  if (!plus) Put32(out, kSectionRva);  // base of data
  if (plus)
    Put64(out, 0x140000000ull);
  else
    Put32(out, 0x400000);
  Put32(out, kSectionAlignment);
  Put32(out, kFileAlignment);
  for (uint16_t v : {6, 0, 0, 0, 6, 0}) Put16(out, v);  // OS, image, subsystem versions
  Put32(out, 0);  // Win32 version value
  Put32(out, imageSize);
  Put32(out, kFileAlignment);  // size of headers
  Put32(out, 0);               // checksum
  Put16(out, 2);               // GUI subsystem
  Put16(out, 0x8140);          // dynamic base, NX compatible, terminal-server aware
  for (uint64_t v : {0x100000ull, 0x1000ull, 0x100000ull, 0x1000ull}) {
    if (plus)
      Put64(out, v);
    else
      Put32(out, static_cast<uint32_t>(v));
  }
  Put32(out, 0);  // loader flags
  Put32(out, kDataDirectoryCount);
  for (uint32_t i = 0; i < kDataDirectoryCount; ++i) {
    bool resource = i == kResourceDirectorySlot && pe.withVersionResource;
    Put32(out, resource ? kSectionRva : 0);
    Put32(out, resource ? static_cast<uint32_t>(section.size()) : 0);
  }

  std::string name = pe.withVersionResource ? ".rsrc" : ".data";
  name.resize(8, '\0');
  out += name;
  Put32(out, static_cast<uint32_t>(section.size()));  // virtual size
  Put32(out, kSectionRva);
  Put32(out, sectionRaw);
  Put32(out, kFileAlignment);  // file offset of the raw data
  Put32(out, 0);               // relocations
  Put32(out, 0);               // line numbers
  Put16(out, 0);
  Put16(out, 0);
  Put32(out, 0x40000040u);  // initialised data, readable
  out.resize(kFileAlignment, '\0');

  out += section;
  out.resize(kFileAlignment + sectionRaw, '\0');
  return out;
}

}  // namespace pegen
