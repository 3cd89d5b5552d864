// The sample's history file: every kind of category storage the walk
// distinguishes, tasks of all three classes at every version, Chinese and
// quoted names, long URLs and BitTorrent tasks with several files.
#include <cstdio>

#include "generated_files.h"
#include "history_builder.h"
#include "sample_installation.h"

namespace samplegen {
namespace {

using historygen::Hash20;

// Where tasks go: the "RunTasks" storage, the "History" storage itself, or
// a category storage (name and folder in UTF-8; nested under `parent` when
// that is not negative). `container` is the container the conversion makes
// of it, if any.
struct Place {
  const char* storage;
  const char* category;
  const char* folder;
  int parent;
  const char* container;
};

const Place kPlaces[] = {
    {"RunTasks", nullptr, nullptr, -1, nullptr},
    {"History", nullptr, nullptr, -1, nullptr},
    {"_ZRC0000000000000001", "音乐", "C:\\下载\\音乐\\", -1, "音乐_old"},
    {"_ZRC0000000000000002", "软件", "C:\\Downloads\\Software", -1, "软件_old"},
    {"_ZRC0000000000000003", "已删除", "C:\\下载\\", -1, nullptr},  // the deleted tasks
    {"_ZRC0000000000000004", "影视", "C:\\下载\\电影\\", -1, "影视_old"},
    {"_ZRC0000000000000007", "美剧", "C:\\下载\\电影\\美剧\\", 5, "美剧"},
    {"_ZRC0000000000000005", "已下载", "C:\\下载\\已下载\\", -1, nullptr},
    {"_ZRC0000000000000006", "Work \"2009\" & O'Brien", "C:\\Work\\O'Brien\\", -1, "Work \"2009\" & O'Brien"},
    {"_ZRC0000000000000008", "文档", "", -1, nullptr},  // no folder: no container
};
constexpr int kHiddenPlace = 4;
constexpr int kPlaceCount = static_cast<int>(std::size(kPlaces));

const uint32_t kStates[] = {0, 7, 11, 12, 13};
const char* const kBaseNames[] = {"周杰伦 - 稻香", "setup", "It's O'Brien's report", "纪录片 第%d集",
                                  "ubuntu-9.10-desktop-i386", "“引号”里的 名字"};

class Random {
 public:
  uint32_t Next() {
    state_ = state_ * 1103515245u + 12345u;
    return state_ >> 8;
  }

 private:
  uint32_t state_ = 20091201;
};

win::SYSTEMTIME Time(Random& r) {
  return {static_cast<win::WORD>(2008 + r.Next() % 5), static_cast<win::WORD>(1 + r.Next() % 12), 0,
          static_cast<win::WORD>(1 + r.Next() % 28), static_cast<win::WORD>(r.Next() % 24),
          static_cast<win::WORD>(r.Next() % 60), static_cast<win::WORD>(r.Next() % 60),
          static_cast<win::WORD>(r.Next() % 1000)};
}

Hash20 Hash(Random& r) {
  Hash20 h;
  for (auto& b : h) b = static_cast<uint8_t>(r.Next());
  return h;
}

std::string BaseName(int i) {
  char name[128];
  std::snprintf(name, sizeof(name), kBaseNames[i % std::size(kBaseNames)], i);
  return std::string(name) + " " + std::to_string(i);
}

// Every seventh URL carries a long query, as download links from forums do.
std::string Url(int i, const std::string& file) {
  std::string url = "http://dl.example.cn/files/" + std::to_string(2000 + i) + "/" + file;
  if (i % 7 == 3) {
    url += "?session=";
    for (int k = 0; k < 120; ++k) url += "a1b2c3d4e5"[k % 10] + std::string(k % 11 == 0 ? "&x=" : "");
  }
  return url;
}

void AddGeneric(historygen::Storage& s, uint64_t id, int i, const Place& place, Random& r) {
  historygen::GenericTask t;
  t.Version = 1 + static_cast<uint32_t>(i % 10);
  t.State = kStates[r.Next() % 5];
  t.LegacyId = id;
  t.F26 = r.Next() % 3;
  t.F11 = Time(r);
  t.F14 = Time(r);
  t.F13 = static_cast<int32_t>(r.Next() % 3600);
  t.F4 = 1024 + r.Next() % (700 << 20);
  t.F8 = t.State == 11 ? t.F4 : t.F4 / 3;
  std::string file = BaseName(i) + (i % 2 ? ".exe" : ".mp3");
  t.F1 = Utf8ToGbk(Url(i, file));
  t.F415 = Utf8ToGbk(i % 4 == 0 ? "备注: \"重要\"" : "");
  t.F21 = Utf8ToGbk(place.folder && *place.folder ? place.folder : "C:\\下载\\");
  t.F3 = "http://www.example.cn/thread-" + std::to_string(i) + ".html";
  t.FileName = Utf8ToGbk(file);
  t.F22 = 5;
  t.F24 = 1 + r.Next() % 10;
  t.F15 = Hash(r);
  t.F102 = Hash(r);
  t.F413 = "Mozilla/4.0 (compatible; MSIE 7.0)";
  t.F419 = i % 3 ? "" : "cookie=abc; path=/";
  t.F409 = Utf8ToGbk(i % 5 ? "" : "镜像");
  if (i % 2) t.Properties.items.push_back(historygen::Property::I4("NeedDrawUnopen", 1));
  s.Add(t);
}

int AddBt(historygen::Storage& s, uint64_t id, int i, const Place& place, Random& r,
          std::vector<SeedFile>* seeds) {
  historygen::BtTask t;
  t.Version = 1 + static_cast<uint32_t>(i % 8);
  t.State = kStates[r.Next() % 5];
  t.LegacyId = id;
  t.F11 = Time(r);
  t.F14 = Time(r);
  t.F13 = static_cast<int32_t>(r.Next() % 7200);
  SeedFile seed;
  seed.name = "[字幕组] " + BaseName(i);
  seed.fileName = seed.name + ".torrent";
  t.SeedFile = Utf8ToGbk(seed.fileName);
  t.F21 = Utf8ToGbk(place.folder && *place.folder ? place.folder : "C:\\下载\\");
  t.F3 = "http://bt.example.cn/torrent/" + std::to_string(i);
  t.FileName = Utf8ToGbk(seed.name);
  t.F606 = i % 2 ? Utf8ToGbk(seed.name) : "";
  t.F613 = Hash(r);
  t.F22 = 3;
  int files = 1 + i % 4;
  for (int f = 0; f < files; ++f) {
    historygen::BtFile file;
    std::string name = f == 3 ? "字幕\\第" + std::to_string(f) + "集.ass" : "第" + std::to_string(f + 1) + "集.mkv";
    file.Name = Utf8ToGbk(seed.name + "\\" + name);
    file.Selected = f != 1;
    file.SizeA = 100000 + r.Next() % (300 << 20);
    file.SizeB = f == 0 ? file.SizeA : file.SizeA / 2;
    file.State = static_cast<uint32_t>(f % 3);
    file.Finished = f == 0;
    file.HasHash1 = f % 2;
    file.Hash1 = Hash(r);
    file.HasHash2 = 1;
    file.Hash2 = Hash(r);
    t.F4 += file.SizeA;
    t.F8 += file.SizeB;
    t.FileNames.push_back(file.Name);
    t.Files.push_back(file);
    std::string hostName = seed.name + "/" + name;
    for (char& c : hostName) c = c == '\\' ? '/' : c;
    seed.files[hostName] = file.SizeA;
  }
  if (t.Version >= 2 && i % 3 == 0) t.Properties.items.push_back(historygen::Property::I4("NeedDrawUnopen", 1));
  s.Add(t);
  seeds->push_back(seed);
  return files;
}

void AddEmule(historygen::Storage& s, uint64_t id, int i, Random& r) {
  historygen::EmuleTask t;
  t.Version = static_cast<uint32_t>(i % 3);
  t.State = kStates[r.Next() % 5];
  t.LegacyId = id;
  std::string file = BaseName(i) + ".avi";
  t.F4 = 1 << 20 | r.Next() % (600 << 20);
  t.F8 = t.F4 / 4;
  t.F1 = Utf8ToGbk("ed2k://|file|" + file + "|" + std::to_string(t.F4) + "|0123456789ABCDEF0123456789ABCDEF|/");
  t.FileName = Utf8ToGbk(file);
  t.F511 = "C:\\Downloads\\emule\\";
  t.F510 = "0123456789ABCDEF0123456789ABCDEF";
  t.F24 = 1;
  t.F22 = 2;
  t.F103 = 1;
  t.F16 = i % 2;
  t.F15 = Hash(r);
  t.F102 = Hash(r);
  t.HasF506 = i % 2;
  t.F506 = "aich-root";
  t.F508 = Hash(r);
  t.F11 = Time(r);
  t.F14 = Time(r);
  t.F13 = static_cast<int32_t>(r.Next() % 7200);
  if (i % 4 == 1) t.Properties.items.push_back(historygen::Property::I4("NeedDrawUnopen", 0));
  t.Properties.items.push_back(historygen::Property::Bstr("Comment", Utf8ToGbk("好片")));
  s.Add(t);
}

}  // namespace

bool WriteHistoryFile(const std::string& hostPath, int tasks, std::vector<SeedFile>* seeds,
                      HistorySummary* summary, std::string* error) {
  std::vector<historygen::Storage> storages(kPlaceCount);
  for (int p = 0; p < kPlaceCount; ++p) {
    storages[p].name = kPlaces[p].storage;
    if (kPlaces[p].category)
      storages[p].AddCategory(Utf8ToGbk(kPlaces[p].category), Utf8ToGbk(kPlaces[p].folder));
  }
  Random r;
  for (int i = 0; i < tasks; ++i) {
    int p = i % kPlaceCount;
    uint64_t id = 0x000001D500000000ull | static_cast<uint64_t>(0x10000000 + i * 17);
    switch ((i + i / kPlaceCount) % 3) {
      case 0:
        AddGeneric(storages[p], id, i, kPlaces[p], r);
        ++summary->generic;
        break;
      case 1:
        summary->btFiles += AddBt(storages[p], id, i, kPlaces[p], r, seeds);
        ++summary->bt;
        break;
      default:
        AddEmule(storages[p], id, i, r);
        ++summary->emule;
        break;
    }
    if (kPlaces[p].container) {
      ++summary->linked;
      if (i < kPlaceCount) {
        summary->containers.push_back(kPlaces[p].container);
        summary->folders.push_back(kPlaces[p].folder);
      }
    }
    if (p == kHiddenPlace) ++summary->hidden;
  }
  // Children go into their parents last to first, so that a parent is
  // complete before it is itself placed under "History".
  for (int p = kPlaceCount - 1; p >= 2; --p)
    if (kPlaces[p].parent >= 0) storages[kPlaces[p].parent].storages.push_back(std::move(storages[p]));
  historygen::History history;
  history.RunTasks() = std::move(storages[0]);
  historygen::Storage& tree = history.Tree();
  tree = std::move(storages[1]);
  for (int p = 2; p < kPlaceCount; ++p)
    if (kPlaces[p].parent < 0) tree.storages.push_back(std::move(storages[p]));
  if (!historygen::WriteHistory(history, hostPath)) {
    *error = "cannot write the history file " + hostPath;
    return false;
  }
  return true;
}

}  // namespace samplegen
