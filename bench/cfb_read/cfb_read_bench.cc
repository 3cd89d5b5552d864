// Reads one large stream of a compound file and the same bytes from a plain
// file, both through 1 MB reads from a warm cache, and prints the seconds of
// the best of three rounds of each: the engine's overhead over the file
// system.
//
//   cfb_read_bench FOLDER [MEGABYTES]    (default 100)
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cfb/engine.h"

namespace {

constexpr size_t kChunk = 1 << 20;
constexpr win::DWORD kRead = win::STGM_READ | win::STGM_SHARE_EXCLUSIVE;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::vector<char> Pattern() {
  std::vector<char> chunk(kChunk);
  for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 2654435761u >> 24);
  return chunk;
}

bool WriteBoth(const std::string& cfbPath, const std::string& plainPath, size_t megabytes) {
  const std::vector<char> chunk = Pattern();
  win::IStorage* root = nullptr;
  if (cfb::CreateCompoundFile(cfbPath.c_str(), win::STGM_CREATE | win::STGM_READWRITE | win::STGM_SHARE_EXCLUSIVE,
                              &root) != win::S_OK) {
    return false;
  }
  win::IStream* stream = nullptr;
  bool ok = root->CreateStream(u"Data", win::STGM_CREATE | win::STGM_READWRITE | win::STGM_SHARE_EXCLUSIVE, 0, 0,
                               &stream) == win::S_OK;
  int fd = open(plainPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ok = ok && fd >= 0;
  for (size_t i = 0; ok && i < megabytes; ++i) {
    win::ULONG written = 0;
    ok = stream->Write(chunk.data(), kChunk, &written) == win::S_OK && written == kChunk &&
         write(fd, chunk.data(), kChunk) == static_cast<ssize_t>(kChunk);
  }
  if (fd >= 0) close(fd);
  if (stream) stream->Release();
  ok = ok && root->Commit(win::STGC_DEFAULT) == win::S_OK;
  root->Release();
  return ok;
}

double ReadCompound(const std::string& path, size_t* total) {
  std::vector<char> buf(kChunk);
  const auto start = std::chrono::steady_clock::now();
  win::IStorage* root = nullptr;
  win::IStream* stream = nullptr;
  *total = 0;
  if (cfb::OpenCompoundFile(path.c_str(), kRead, &root) == win::S_OK &&
      root->OpenStream(u"Data", nullptr, kRead, 0, &stream) == win::S_OK) {
    win::ULONG got = 0;
    while (stream->Read(buf.data(), kChunk, &got) == win::S_OK && got > 0) *total += got;
    stream->Release();
  }
  if (root) root->Release();
  return Seconds(start);
}

double ReadPlain(const std::string& path, size_t* total) {
  std::vector<char> buf(kChunk);
  const auto start = std::chrono::steady_clock::now();
  *total = 0;
  int fd = open(path.c_str(), O_RDONLY);
  ssize_t got;
  while (fd >= 0 && (got = read(fd, buf.data(), kChunk)) > 0) *total += static_cast<size_t>(got);
  if (fd >= 0) close(fd);
  return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: cfb_read_bench FOLDER [MEGABYTES]\n");
    return 2;
  }
  const size_t megabytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100;
  const std::string cfbPath = std::string(argv[1]) + "/large.cfb";
  const std::string plainPath = std::string(argv[1]) + "/large.bin";
  if (!WriteBoth(cfbPath, plainPath, megabytes)) {
    std::fprintf(stderr, "cfb_read_bench: cannot write the files\n");
    return 1;
  }
  double bestCfb = 1e9, bestPlain = 1e9;
  size_t cfbBytes = 0, plainBytes = 0;
  for (int round = 0; round < 3; ++round) {
    bestPlain = std::min(bestPlain, ReadPlain(plainPath, &plainBytes));
    bestCfb = std::min(bestCfb, ReadCompound(cfbPath, &cfbBytes));
  }
  std::remove(cfbPath.c_str());
  std::remove(plainPath.c_str());
  if (cfbBytes != plainBytes || plainBytes != megabytes * kChunk) {
    std::fprintf(stderr, "cfb_read_bench: read %zu and %zu bytes\n", cfbBytes, plainBytes);
    return 1;
  }
  std::printf("%.4f %.4f\n", bestCfb, bestPlain);
  return 0;
}
