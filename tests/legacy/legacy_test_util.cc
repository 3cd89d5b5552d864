#include "legacy_test_util.h"

#include "legacy/buffered_stream.h"
#include "legacy/task_factory.h"
#include "memory_stream.h"

namespace legacy_test {

historygen::Hash20 HashFrom(uint8_t first) {
  historygen::Hash20 h;
  for (size_t i = 0; i < h.size(); ++i) h[i] = static_cast<uint8_t>(first + i);
  return h;
}

historygen::GenericTask DistinctGeneric(uint32_t version, uint64_t id) {
  historygen::GenericTask t;
  t.Version = version, t.State = 7, t.LegacyId = id, t.Field4 = 0xDEADBEEFCAFEull, t.F26 = 26;
  t.F11 = {2006, 3, 2, 14, 10, 20, 30, 400};
  t.F14 = {2007, 4, 3, 15, 11, 21, 31, 0};
  t.F13 = -13, t.F4 = 4000000000004ll, t.F8 = 8000000008ll, t.F103 = 103;
  t.F1 = "http://host/path/file.tar.gz", t.F415 = "v415", t.F21 = "C:\\Down\\";
  t.F3 = "http://referer/", t.FileName = "file.tar.gz";
  t.F22 = 22, t.F24 = 24, t.F406 = 406, t.F404 = 404, t.F16 = 5, t.F15 = HashFrom(0x10);
  t.Field23 = 23, t.F416 = "v416", t.F417 = "v417", t.F410 = 410, t.F411 = 411, t.F23 = 2323;
  t.F412 = 0x7700000000000412ull, t.Field30 = 30, t.Field31 = 31, t.F102 = HashFrom(0xA0);
  t.F413 = "v413", t.Field34 = 34, t.F414 = "v414", t.F419 = "v419", t.F420 = 420, t.F421 = 421;
  t.Field39 = 39, t.F409 = "v409", t.Field41 = "v41";
  t.Properties.items = {historygen::Property::I4("NeedDrawUnopen", 77),
                        historygen::Property::Bstr("Note", "abc")};
  return t;
}

historygen::BtTask DistinctBt(uint32_t version, uint64_t id) {
  historygen::BtTask t;
  t.Version = version, t.State = 11, t.LegacyId = id, t.Field4 = 4, t.F26 = 626;
  t.F11 = {2008, 5, 1, 16, 12, 22, 32, 0};
  t.F14 = {2009, 6, 2, 17, 13, 23, 33, 0};
  t.F13 = 613, t.F4 = 6000000004ll, t.F8 = 6000000008ll, t.Field11 = 11, t.Field12 = 12;
  t.Field13 = 13, t.SeedFile = "abc.torrent", t.F21 = "D:\\Bt\\", t.F3 = "bt-comment";
  t.FileName = "bt-name", t.F22 = 6022, t.Field19 = 19, t.F16 = 3, t.F613 = HashFrom(0x30);
  t.F23 = 6023, t.Field23 = 23, t.F610 = "v610", t.F606 = "v606";
  t.FileNames = {"a.txt", "b.txt"};
  t.Files = {{"dir\\one.bin", 1, 1000, 1000, 0, 1, 1, HashFrom(0x50), 0, HashFrom(0x60), 7},
             {"dir\\two", 0, 2000, 10, 1, 0, 0, HashFrom(0x70), 1, HashFrom(0x80), 8},
             {"three.dat", 5, 4000, 3999, 2, 0, 1, HashFrom(0x90), 1, HashFrom(0xB0), 9}};
  t.Field30 = 30, t.F612 = "v612", t.F611 = "v611", t.Field33 = "v33";
  t.Properties.items = {historygen::Property::I4("NeedDrawUnopen", 9)};
  return t;
}

historygen::EmuleTask DistinctEmule(uint32_t version, uint64_t id) {
  historygen::EmuleTask t;
  t.Version = version;
  t.Properties.items = {historygen::Property::I2("NeedDrawUnopen", 5)};
  t.State = 12, t.LegacyId = id, t.Field5 = 5, t.F26 = 526, t.Field7 = 7, t.Field8 = 8;
  t.F1 = "ed2k://|file|movie.avi|100|/", t.F3 = "emule-comment", t.FileName = "movie.avi";
  t.Field12 = "v12", t.F511 = "v511", t.Field14 = "v14", t.F510 = "v510", t.F24 = 524, t.F22 = 522;
  t.F103 = 1, t.F16 = 1, t.F15 = HashFrom(0x11), t.Field21 = 1, t.F102 = HashFrom(0x22);
  t.HasF506 = 1, t.F506 = "v506", t.Field25 = 1, t.F508 = HashFrom(0x33);
  t.F11 = {2010, 7, 0, 18, 14, 24, 34, 0};
  t.F14 = {2011, 8, 1, 19, 15, 25, 35, 0};
  t.F13 = 529, t.F4 = 5000000030ll, t.F8 = 5000000031ll, t.Field32 = 32;
  return t;
}

std::unique_ptr<legacy::LegacyTask> LoadStream(const std::string& bytes, bool buffered) {
  if (bytes.size() < 16) return nullptr;
  auto task = legacy::CreateLegacyTask(
      legacy::ClsidFromBytes(reinterpret_cast<const uint8_t*>(bytes.data())));
  if (!task) return nullptr;
  historygen::MemoryStream memory(bytes);
  legacy::BufferedStream ahead(&memory);
  win::IStream* stream = buffered ? static_cast<win::IStream*>(&ahead) : &memory;
  win::ULONG got = 0;
  char clsid[16];
  stream->Read(clsid, 16, &got);
  if (!task->Load(stream)) return nullptr;
  return task;
}

}  // namespace legacy_test
