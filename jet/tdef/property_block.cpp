#include "jet/tdef/property_block.h"

#include <algorithm>
#include <cstring>

#include "jet/file/byte_writer.h"
#include "jet/error.h"
#include "jet/text/text_codec.h"

namespace jet {

namespace {

constexpr char kJet4Tag[4] = {'M', 'R', '2', '\0'};
constexpr char kJet3Tag[4] = {'K', 'K', 'D', '\0'};
constexpr std::uint16_t kNamesChunk = 0x80;
constexpr std::uint16_t kObjectChunk = 0x00;
constexpr std::uint16_t kColumnChunk = 0x01;
constexpr std::size_t kChunkHeader = 6;  // length, kind
constexpr std::size_t kEntryHeader = 8;  // length, flag, type, name index, value length

[[noreturn]] void damaged(const std::string& what) {
  throw Error(ErrorCode::Damaged, "a property block is damaged: " + what);
}

std::string nameBytes(std::string_view name, Format version, std::uint16_t codePage) {
  if (version == Format::Jet4) return encodeUcs2(name);
  std::optional<std::string> encoded = encodeCodePage(name, codePage);
  if (!encoded)
    throw Error(ErrorCode::ValueRejected, "the name \"" + std::string(name) + "\" has a character that code page " +
                                              std::to_string(codePage) + " cannot hold");
  return *encoded;
}

std::string nameText(ByteSpan bytes, Format version, std::uint16_t codePage) {
  return version == Format::Jet4 ? decodeJet4Text(bytes) : decodeCodePage(bytes, codePage);
}

// Appends the block; patch32 writes the length of what was written since `start` at `start`.
struct Writer : bytes::Appender {
  Writer() : bytes::Appender(out) {}
  void patch32(std::size_t start) { bytes::put32(out, start, static_cast<std::uint32_t>(out.size() - start)); }
  Bytes out;
};

void requireShort(std::size_t size, const char* what) {
  if (size > 0xFFFF) throw Error(ErrorCode::ValueRejected, std::string("a property's ") + what + " is too long");
}

}  // namespace

std::optional<bool> PropertyBlock::columnFlag(std::string_view column, std::string_view property) const {
  for (const PropertySet& set : sets) {
    if (!set.column || !namesEqual(set.name, column)) continue;
    for (const Property& p : set.properties)
      if (namesEqual(p.name, property) && p.type == ColumnType::Boolean && !p.value.empty()) return p.value[0] != 0;
  }
  return std::nullopt;
}

Property requiredProperty(bool required) {
  return {"Required", ColumnType::Boolean, true, Bytes{static_cast<std::uint8_t>(required ? 1 : 0)}};
}

Bytes encodePropertyBlock(const PropertyBlock& block, Format version, std::uint16_t codePage) {
  std::vector<std::string> names;
  for (const PropertySet& set : block.sets)
    for (const Property& p : set.properties)
      if (std::find(names.begin(), names.end(), p.name) == names.end()) names.push_back(p.name);
  Writer w;
  w.raw(std::string_view(version == Format::Jet4 ? kJet4Tag : kJet3Tag, 4));
  std::size_t start = w.out.size();
  w.u32(0);
  w.u16(kNamesChunk);
  for (const std::string& name : names) {
    std::string stored = nameBytes(name, version, codePage);
    requireShort(stored.size(), "name");
    w.u16(static_cast<std::uint16_t>(stored.size()));
    w.raw(stored);
  }
  w.patch32(start);
  for (const PropertySet& set : block.sets) {
    start = w.out.size();
    w.u32(0);
    w.u16(set.column ? kColumnChunk : kObjectChunk);
    std::string stored = nameBytes(set.name, version, codePage);
    requireShort(stored.size(), "object name");
    w.u32(static_cast<std::uint32_t>(4 + 2 + stored.size()));
    w.u16(static_cast<std::uint16_t>(stored.size()));
    w.raw(stored);
    for (const Property& p : set.properties) {
      requireShort(kEntryHeader + p.value.size(), "value");
      auto index = static_cast<std::uint16_t>(std::find(names.begin(), names.end(), p.name) - names.begin());
      w.u16(static_cast<std::uint16_t>(kEntryHeader + p.value.size()));
      w.u8(p.engine ? 1 : 0);
      w.u8(static_cast<std::uint8_t>(p.type));
      w.u16(index);
      w.u16(static_cast<std::uint16_t>(p.value.size()));
      w.raw(ByteSpan(p.value));
    }
    w.patch32(start);
  }
  return std::move(w.out);
}

PropertyBlock decodePropertyBlock(ByteSpan bytes, Format version, std::uint16_t codePage) {
  const char* tag = version == Format::Jet4 ? kJet4Tag : kJet3Tag;
  if (bytes.size() < 4 || std::memcmp(bytes.data(), tag, 4) != 0) damaged("it does not start with its tag");
  PropertyBlock block;
  std::vector<std::string> names;
  std::size_t at = 4;
  while (at + kChunkHeader <= bytes.size()) {
    std::uint32_t length = bytes::u32(bytes, at);
    if (length < kChunkHeader || length > bytes.size() - at) damaged("a chunk does not fit");
    ByteSpan chunk = bytes.subspan(at, length);
    std::uint16_t kind = bytes::u16(chunk, 4);
    if (kind == kNamesChunk) {
      for (std::size_t p = kChunkHeader; p < chunk.size();) {
        std::uint16_t size = bytes::u16(chunk, p);
        names.push_back(nameText(bytes::slice(chunk, p + 2, size), version, codePage));
        p += 2 + size;
      }
    } else if (kind == kObjectChunk || kind == kColumnChunk) {
      PropertySet set;
      set.column = kind == kColumnChunk;
      std::uint32_t header = bytes::u32(chunk, kChunkHeader);
      std::uint16_t nameSize = bytes::u16(chunk, kChunkHeader + 4);
      set.name = nameText(bytes::slice(chunk, kChunkHeader + 6, nameSize), version, codePage);
      if (header < 6u + nameSize || header > chunk.size() - kChunkHeader) damaged("a chunk's header does not fit");
      for (std::size_t p = kChunkHeader + header; p < chunk.size();) {
        std::uint16_t entryLength = bytes::u16(chunk, p);
        if (entryLength < kEntryHeader || entryLength > chunk.size() - p) damaged("an entry does not fit");
        Property property;
        property.engine = bytes::u8(chunk, p + 2) != 0;
        property.type = static_cast<ColumnType>(bytes::u8(chunk, p + 3));
        std::uint16_t index = bytes::u16(chunk, p + 4);
        if (index >= names.size()) damaged("an entry names a property the block does not list");
        property.name = names[index];
        std::uint16_t valueLength = bytes::u16(chunk, p + 6);
        if (valueLength > entryLength - kEntryHeader) damaged("a value does not fit its entry");
        ByteSpan value = bytes::slice(chunk, p + kEntryHeader, valueLength);
        property.value.assign(value.begin(), value.end());
        set.properties.push_back(std::move(property));
        p += entryLength;
      }
      block.sets.push_back(std::move(set));
    }
    at += length;
  }
  return block;
}

}  // namespace jet
