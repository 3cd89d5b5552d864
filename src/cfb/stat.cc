// What Stat and the enumerator report about an element.
#include <cstdlib>
#include <cstring>

#include "cfb/elements.h"

namespace cfb {

namespace {

win::FILETIME ToFileTime(uint64_t t) {
  return win::FILETIME{static_cast<win::DWORD>(t), static_cast<win::DWORD>(t >> 32)};
}

}  // namespace

char16_t* AllocName(const std::u16string& name) {
  auto* p = static_cast<char16_t*>(malloc((name.size() + 1) * sizeof(char16_t)));
  if (!p) return nullptr;
  memcpy(p, name.data(), name.size() * sizeof(char16_t));
  p[name.size()] = 0;
  return p;
}

void FreeName(void* p) { free(p); }

bool FillStat(const Node& node, win::DWORD mode, win::DWORD flags, win::STATSTG* stat) {
  memset(stat, 0, sizeof *stat);
  if (!(flags & win::STATFLAG_NONAME)) {
    stat->pwcsName = AllocName(node.name);
    if (!stat->pwcsName) return false;
  }
  stat->type = node.isStorage() ? win::STGTY_STORAGE : win::STGTY_STREAM;
  stat->cbSize = node.isStorage() ? 0 : node.size;
  stat->mtime = ToFileTime(node.mtime);
  stat->ctime = ToFileTime(node.ctime);
  stat->grfMode = mode;
  memcpy(&stat->clsid.Data1, node.clsid, 4);
  memcpy(&stat->clsid.Data2, node.clsid + 4, 2);
  memcpy(&stat->clsid.Data3, node.clsid + 6, 2);
  memcpy(stat->clsid.Data4, node.clsid + 8, 8);
  stat->grfStateBits = node.stateBits;
  return true;
}

}  // namespace cfb
