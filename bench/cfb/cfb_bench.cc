// Times the compound-file engine on large inputs: reading one big stream
// (against a plain memory copy of the same size), and opening a file and
// enumerating a storage of many streams. Prints times, rates and the peak
// resident memory after each phase.
//
//   cfb_bench [streamMB [streams [folder]]]    (default 100, 100000, $TMPDIR or /tmp)

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cfb/engine.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// The resident memory now, in kB (the peak of the process would include
// the writing phases, which hold whole streams in memory).
// Processor time of this process, in seconds: on a busy machine the wall
// clock says little.
double CpuSeconds() {
  struct timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

long ResidentKb() {
  long pages = 0, resident = 0;
  FILE* f = fopen("/proc/self/statm", "r");
  if (f) {
    if (fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

std::u16string Name(const char* prefix, int i) {
  char buf[32];
  snprintf(buf, sizeof buf, "%s%06d", prefix, i);
  std::u16string s;
  for (const char* p = buf; *p; ++p) s += static_cast<char16_t>(*p);
  return s;
}

bool WriteBigFile(const std::string& path, size_t bytes) {
  win::IStorage* root = nullptr;
  if (cfb::CreateCompoundFile(path.c_str(), 0x1012, &root) != win::S_OK) return false;
  win::IStream* s = nullptr;
  bool ok = root->CreateStream(u"Big", 0x1012, 0, 0, &s) == win::S_OK;
  std::vector<char> chunk(1 << 20);
  for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 31);
  for (size_t done = 0; ok && done < bytes; done += chunk.size()) {
    win::ULONG n = 0;
    ok = s->Write(chunk.data(), static_cast<win::ULONG>(std::min(chunk.size(), bytes - done)), &n) ==
         win::S_OK;
  }
  if (s) s->Release();
  ok = ok && root->Commit(0) == win::S_OK;
  root->Release();
  return ok;
}

bool WriteManyFile(const std::string& path, int streams) {
  win::IStorage* root = nullptr;
  if (cfb::CreateCompoundFile(path.c_str(), 0x1012, &root) != win::S_OK) return false;
  win::IStorage* history = nullptr;
  bool ok = root->CreateStorage(u"History", 0x1012, 0, 0, &history) == win::S_OK;
  for (int i = 0; ok && i < streams; ++i) {
    win::IStream* s = nullptr;
    ok = history->CreateStream(Name("_ZRT", i).c_str(), 0x1012, 0, 0, &s) == win::S_OK;
    if (ok) {
      ok = s->Write("0123456789abcdef", 16, nullptr) == win::S_OK;
      s->Release();
    }
  }
  if (history) history->Release();
  ok = ok && root->Commit(0) == win::S_OK;
  root->Release();
  return ok;
}

void BenchRead(const std::string& path, size_t bytes) {
  std::vector<char> source(bytes, 1), target(bytes);
  auto t = Clock::now();
  memcpy(target.data(), source.data(), bytes);
  double copy = Seconds(t);
  std::vector<char>().swap(source);
  std::vector<char>().swap(target);

  std::vector<char> buf(1 << 20);
  long before = ResidentKb(), peak = before;
  double cpu = CpuSeconds();
  t = Clock::now();
  win::IStorage* root = nullptr;
  if (cfb::OpenCompoundFile(path.c_str(), 0x10010, &root) != win::S_OK) {
    fprintf(stderr, "cannot open %s\n", path.c_str());
    return;
  }
  win::IStream* s = nullptr;
  size_t total = 0;
  if (root->OpenStream(u"Big", nullptr, 0x10, 0, &s) == win::S_OK) {
    win::ULONG n = 0;
    while (s->Read(buf.data(), static_cast<win::ULONG>(buf.size()), &n) == win::S_OK && n > 0) {
      total += n;
      peak = std::max(peak, ResidentKb());
    }
    s->Release();
  }
  root->Release();
  double read = Seconds(t);
  cpu = CpuSeconds() - cpu;
  double mb = bytes / 1048576.0;
  printf("read %zu MB stream: %.3f s (%.0f MB/s), cpu %.3f s; memcpy of the same: %.3f s "
         "(%.0f MB/s); memory grew by %ld kB while reading\n",
         total >> 20, read, mb / read, cpu, copy, mb / copy, peak - before);
}

void BenchEnumerate(const std::string& path) {
  long before = ResidentKb();
  double cpu = CpuSeconds();
  auto t = Clock::now();
  win::IStorage* root = nullptr;
  if (cfb::OpenCompoundFile(path.c_str(), 0x10010, &root) != win::S_OK) return;
  double open = Seconds(t);
  win::IStorage* history = nullptr;
  long count = 0;
  if (root->OpenStorage(u"History", nullptr, 0x10, nullptr, 0, &history) == win::S_OK) {
    win::IEnumSTATSTG* e = nullptr;
    if (history->EnumElements(0, nullptr, 0, &e) == win::S_OK) {
      win::STATSTG st;
      win::ULONG got = 0;
      while (e->Next(1, &st, &got) == win::S_OK) {
        ++count;
        cfb::FreeName(st.pwcsName);
      }
      e->Release();
    }
    history->Release();
  }
  double total = Seconds(t);
  cpu = CpuSeconds() - cpu;
  long opened = ResidentKb();
  root->Release();
  printf("open %.3f s, open and enumerate %ld streams: %.3f s, cpu %.3f s; memory held by the "
         "open file %ld kB\n",
         open, count, total, cpu, opened - before);
}

}  // namespace

int main(int argc, char** argv) {
  size_t mb = argc > 1 ? strtoul(argv[1], nullptr, 10) : 100;
  int streams = argc > 2 ? atoi(argv[2]) : 100000;
  std::string folder = argc > 3 ? argv[3] : (getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp");
  std::string big = folder + "/cfb_bench_big." + std::to_string(getpid());
  std::string many = folder + "/cfb_bench_many." + std::to_string(getpid());
  // The files are written by a child process, so that the reading phases
  // start on a fresh heap and their memory can be seen.
  pid_t child = fork();
  if (child == 0) {
    auto t = Clock::now();
    if (!WriteBigFile(big, mb << 20)) fprintf(stderr, "cannot write %s\n", big.c_str());
    printf("write %zu MB stream: %.3f s\n", mb, Seconds(t));
    t = Clock::now();
    if (!WriteManyFile(many, streams)) fprintf(stderr, "cannot write %s\n", many.c_str());
    printf("write %d streams: %.3f s\n", streams, Seconds(t));
    fflush(stdout);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  BenchRead(big, mb << 20);
  BenchEnumerate(many);
  unlink(big.c_str());
  unlink(many.c_str());
  return 0;
}
