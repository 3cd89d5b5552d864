// The byte layouts of the old task and category streams, written field by
// field in the order the old program wrote them.
#include <cstdio>

#include "history_builder.h"

namespace historygen {
namespace {

// Class identifiers in their Windows memory layout.
const char kGenericClsid[] = "\xB6\x7D\xBF\x9D\xE1\xF4\x4B\x4F\x9A\xA0\xA0\x84\x99\xD7\x29\x08";
const char kBtClsid[] = "\xAE\x27\x2A\x82\x3E\xFA\xEF\x46\xBF\xFC\xAC\x6B\xC4\x39\x2D\x77";
const char kEmuleClsid[] = "\xCF\x9A\xA0\xEF\xFD\x12\xE2\x41\x84\x72\xC4\x94\x26\xBA\x45\xE1";
constexpr size_t kClsidSize = 16;

class Writer {
 public:
  explicit Writer(const char* clsid = nullptr) {
    if (clsid) out_.append(clsid, kClsidSize);
  }
  Writer& U8(uint8_t v) {
    out_.push_back(static_cast<char>(v));
    return *this;
  }
  Writer& U16(uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
  Writer& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Writer& U64(uint64_t v) { return U32(static_cast<uint32_t>(v)).U32(static_cast<uint32_t>(v >> 32)); }
  Writer& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
  Writer& I64(int64_t v) { return U64(static_cast<uint64_t>(v)); }
  Writer& Time(const win::SYSTEMTIME& t) {
    return U16(t.wYear).U16(t.wMonth).U16(t.wDayOfWeek).U16(t.wDay).U16(t.wHour).U16(t.wMinute)
        .U16(t.wSecond).U16(t.wMilliseconds);
  }
  Writer& Hash(const Hash20& h) {
    out_.append(reinterpret_cast<const char*>(h.data()), h.size());
    return *this;
  }
  Writer& Text(const std::string& s) {
    U32(static_cast<uint32_t>(s.size()));
    out_ += s;
    return *this;
  }
  Writer& Map(const PropertyList& list) {
    U32(list.countOverride >= 0 ? static_cast<uint32_t>(list.countOverride)
                                : static_cast<uint32_t>(list.items.size()));
    for (const Property& p : list.items) {
      Text(p.name).U16(p.type);
      out_ += p.payload;
    }
    return *this;
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

std::string LittleEndian(uint64_t v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return s;
}

}  // namespace

Property Property::I4(const std::string& name, int32_t value) {
  return {name, kVtI4, LittleEndian(static_cast<uint32_t>(value), 4)};
}

Property Property::I2(const std::string& name, int16_t value) {
  return {name, kVtI2, LittleEndian(static_cast<uint16_t>(value), 2)};
}

Property Property::Bstr(const std::string& name, const std::string& bytes) {
  return {name, kVtBstr, LittleEndian(bytes.size(), 4) + bytes};
}

Property Property::Raw(const std::string& name, uint16_t type, const std::string& payload) {
  return {name, type, payload};
}

std::string EncodeTask(const GenericTask& t) {
  Writer w(kGenericClsid);
  w.U32(t.Version).U32(t.State).U64(t.LegacyId).U64(t.Field4).U32(t.F26).Time(t.F11).Time(t.F14);
  w.I32(t.F13).I64(t.F4).I64(t.F8).U32(t.F103);
  w.Text(t.F1).Text(t.F415).Text(t.F21).Text(t.F3).Text(t.FileName);
  w.U32(t.F22).U32(t.F24).U32(t.F406).U32(t.F404).U32(t.F16).Hash(t.F15).U32(t.Field23);
  w.Text(t.F416).Text(t.F417).U32(t.F410).U32(t.F411).U32(t.F23).U64(t.F412).U32(t.Field30);
  if (t.Version >= 3) w.U32(t.Field31).Hash(t.F102);
  if (t.Version >= 4) w.Text(t.F413).U32(t.Field34).Text(t.F414);
  if (t.Version >= 5) w.Text(t.F419);
  if (t.Version >= 6) w.U32(t.F420).U32(t.F421);
  if (t.Version >= 8) w.U32(t.Field39);
  if (t.Version >= 9) w.Text(t.F409);
  if (t.Version >= 10) w.Text(t.Field41);
  if (t.Version >= 7) w.Map(t.Properties);
  return w.Take();
}

std::string EncodeTask(const BtTask& t) {
  Writer w(kBtClsid);
  w.U32(t.Version).U32(t.State).U64(t.LegacyId).U64(t.Field4).U32(t.F26).Time(t.F11).Time(t.F14);
  w.I32(t.F13).I64(t.F4).I64(t.F8).U64(t.Field11).U64(t.Field12).U32(t.Field13);
  w.Text(t.SeedFile).Text(t.F21).Text(t.F3).Text(t.FileName);
  w.U32(t.F22).U32(t.Field19).U32(t.F16).Hash(t.F613).U32(t.F23).U32(t.Field23);
  if (t.Version >= 2) w.Text(t.F610);
  w.Text(t.F606);
  w.U32(static_cast<uint32_t>(t.FileNames.size()));
  for (const std::string& name : t.FileNames) w.Text(name);
  w.U32(static_cast<uint32_t>(t.Files.size()));
  for (const BtFile& f : t.Files) {
    w.Text(f.Name).U32(f.Selected).I64(f.SizeA).I64(f.SizeB).U32(f.State);
    if (t.Version >= 2) w.U32(f.Finished);
    if (t.Version >= 6) w.U32(f.HasHash1).Hash(f.Hash1).U32(f.HasHash2).Hash(f.Hash2);
    if (t.Version >= 8) w.U32(f.FieldK);
  }
  if (t.Version >= 3) w.U32(t.Field30);
  if (t.Version >= 4) w.Text(t.F612);
  if (t.Version >= 5) w.Text(t.F611);
  if (t.Version >= 7) w.Text(t.Field33);
  if (t.Version >= 2) w.Map(t.Properties);
  return w.Take();
}

std::string EncodeTask(const EmuleTask& t) {
  Writer w(kEmuleClsid);
  w.U32(t.Version).Map(t.Properties).U32(t.State).U64(t.LegacyId).U64(t.Field5).U32(t.F26);
  w.U32(t.Field7);
  if (t.Version != 0) w.U32(t.Field8);
  w.Text(t.F1).Text(t.F3).Text(t.FileName).Text(t.Field12).Text(t.F511);
  if (t.Version >= 2) w.Text(t.Field14);
  w.Text(t.F510).U32(t.F24).U32(t.F22).U8(t.F103).U8(t.F16).Hash(t.F15);
  w.U8(t.Field21).Hash(t.F102).U8(t.HasF506).Text(t.F506);
  w.U8(t.Field25).Hash(t.F508).Time(t.F11).Time(t.F14).I32(t.F13).I64(t.F4).I64(t.F8);
  w.U64(t.Field32);
  return w.Take();
}

std::string EncodeCategory(const std::string& name, const std::string& folder, uint64_t header) {
  return Writer().U64(header).Text(name).Text(folder).Take();
}

std::string TaskStreamName(uint64_t id) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "_ZRT%08X%08X", static_cast<unsigned>(id >> 32),
                static_cast<unsigned>(id & 0xFFFFFFFFu));
  return buf;
}

}  // namespace historygen
