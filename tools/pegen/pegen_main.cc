// pegen OUT_FILE PRODUCT_VERSION [--pe32plus] [--no-version] [--no-translation]
//       [--language=HEX] [--more-language=HEX]...
//       [--codepage=HEX] [--table-key=KEY] [--file-version=TEXT]
// Writes a minimal PE image carrying a version resource with that product
// version.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "pegen/pe_builder.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: pegen OUT_FILE PRODUCT_VERSION [--pe32plus] [--no-version]"
               " [--no-translation] [--language=HEX] [--more-language=HEX]... [--codepage=HEX]"
               " [--table-key=KEY]"
               " [--file-version=TEXT]\n");
  return 2;
}

bool Option(const char* arg, const char* name, std::string* value) {
  size_t n = std::strlen(name);
  if (std::strncmp(arg, name, n) != 0 || arg[n] != '=') return false;
  *value = arg + n + 1;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  pegen::PeSpec pe;
  pe.productVersion = argv[2];
  for (int i = 3; i < argc; ++i) {
    std::string v;
    if (std::strcmp(argv[i], "--pe32plus") == 0) {
      pe.pe32plus = true;
    } else if (std::strcmp(argv[i], "--no-version") == 0) {
      pe.withVersionResource = false;
    } else if (std::strcmp(argv[i], "--no-translation") == 0) {
      pe.withTranslation = false;
    } else if (Option(argv[i], "--language", &v)) {
      pe.language = static_cast<uint16_t>(std::strtoul(v.c_str(), nullptr, 16));
    } else if (Option(argv[i], "--more-language", &v)) {
      pe.moreLanguages.push_back(static_cast<uint16_t>(std::strtoul(v.c_str(), nullptr, 16)));
    } else if (Option(argv[i], "--codepage", &v)) {
      pe.codePage = static_cast<uint16_t>(std::strtoul(v.c_str(), nullptr, 16));
    } else if (Option(argv[i], "--table-key", &v)) {
      pe.stringTableKey = v;
    } else if (Option(argv[i], "--file-version", &v)) {
      pe.fileVersion = v;
    } else {
      return Usage();
    }
  }
  std::string image = pegen::BuildPe(pe);
  std::ofstream out(argv[1], std::ios::binary);
  out.write(image.data(), static_cast<std::streamsize>(image.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "pegen: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
