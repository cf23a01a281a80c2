#include "jet/table/row_writer.h"

#include <algorithm>
#include <cstring>

#include "jet/file/bytes.h"
#include "jet/file/byte_writer.h"
#include "jet/error.h"
#include "jet/table/row_reader.h"
#include "jet/text/text_codec.h"

namespace jet {

namespace {

}  // namespace

std::size_t fixedColumnSize(const StoredColumn& c) {
  if (c.type == ColumnType::Boolean) return 0;  // held in the null mask
  const std::size_t size = fixedSizeOf(c.type);
  return size ? size : c.length;  // fixed-length text and binary
}

namespace {

void putNumber(Bytes& out, std::size_t size, std::uint64_t bits) {
  out.clear();
  bytes::Appender(out).little(bits, static_cast<int>(size));
}

Bytes encodeDecimal(const Decimal& d) {
  Bytes out;
  bytes::Appender put(out);
  put.u8(d.negative ? 0x80 : 0x00);
  for (std::uint32_t word : {std::uint32_t{0}, d.high, static_cast<std::uint32_t>(d.low >> 32), static_cast<std::uint32_t>(d.low)})
    put.u32(word);
  return out;
}

// Jet 4 compressed text, or nothing when the text cannot be compressed (a character whose low
// byte is 0 would read as a mode switch) or would not get shorter. Every 0x00 byte of the result
// is a mode switch: readers split the text at each one, whatever the mode, so a narrow character
// is never written as a two-byte pair (its high byte would read as a switch).
std::optional<Bytes> compressUcs2(const std::u16string& units) {
  for (char16_t u : units)
    if ((u & 0xFF) == 0) return std::nullopt;
  Bytes out{format::kCompressedTextMarker[0], format::kCompressedTextMarker[1]};
  bool compressed = true;  // the form starts with one-byte characters
  std::size_t i = 0;
  while (i < units.size()) {
    bool narrow = units[i] < 0x100;
    if (narrow != compressed) {
      out.push_back(0x00);
      compressed = narrow;
    }
    if (compressed) {
      out.push_back(static_cast<std::uint8_t>(units[i]));
    } else {
      bytes::Appender(out).u16(units[i]);
    }
    ++i;
  }
  if (out.size() >= units.size() * 2) return std::nullopt;
  return out;
}

std::u16string utf16Of(const std::string& utf8) {
  std::u16string units;
  for (char32_t cp : decodeUtf8(utf8)) {
    if (cp > 0xFFFF) {
      cp -= 0x10000;
      units.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(cp));
    }
  }
  return units;
}

[[noreturn]] void tooLong(const StoredTableDefinition& def, std::size_t size, std::size_t max) {
  throw Error(ErrorCode::ValueRejected, "table " + def.name + ": the row would take " + std::to_string(size) +
                                            " bytes, more than the " + std::to_string(max) + " a row may have");
}

// Jet 3 trailer: the one-byte offsets of every variable slot and the end of the data, with the
// jump table (entry k: the first slot whose offset is 256 * (k + 1) or more) sized by the row.
void appendJet3Trailer(Bytes& row, const std::vector<std::size_t>& offsets, std::size_t maskSize) {
  std::size_t count = offsets.size() - 1;  // offsets holds the slots and, last, the end of the data
  std::size_t base = row.size();
  std::size_t jumps = 0;
  for (;;) {
    std::size_t size = base + offsets.size() + jumps + 1 + maskSize;
    std::size_t needed = (size - 1) / 256;
    if (needed <= jumps) break;
    jumps = needed;
  }
  for (std::size_t i = count + 1; i-- > 0;) row.push_back(static_cast<std::uint8_t>(offsets[i] & 0xFF));
  std::vector<std::uint8_t> table(jumps, 0xFF);
  for (std::size_t k = 0; k < jumps; ++k)
    for (std::size_t i = 0; i <= count; ++i)
      if (offsets[i] >= 256 * (k + 1)) {
        table[k] = static_cast<std::uint8_t>(i);
        break;
      }
  for (std::size_t k = jumps; k-- > 0;) row.push_back(table[k]);
  row.push_back(static_cast<std::uint8_t>(count));
}

}  // namespace

namespace {
Bytes encodeTextSlowly(const std::string& utf8, Format version, std::uint16_t codePage, bool compress);
}

Bytes encodeText(const std::string& utf8, Format version, std::uint16_t codePage, bool compress) {
  Bytes out;
  encodeTextInto(utf8, version, codePage, compress, out);
  return out;
}

void encodeTextInto(const std::string& utf8, Format version, std::uint16_t codePage, bool compress, Bytes& out) {
  out.clear();
  if (version == Format::Jet4 &&
      std::all_of(utf8.begin(), utf8.end(), [](char c) { return c > 0 && static_cast<unsigned char>(c) < 0x80; })) {
    // Plain ASCII, the common case: each character is one byte compressed or two plain.
    if (compress && utf8.size() > 2) {
      out.reserve(utf8.size() + 2);
      out.push_back(format::kCompressedTextMarker[0]);
      out.push_back(format::kCompressedTextMarker[1]);
      out.insert(out.end(), utf8.begin(), utf8.end());
    } else {
      out.resize(utf8.size() * 2);
      for (std::size_t i = 0; i < utf8.size(); ++i) {
        out[2 * i] = static_cast<std::uint8_t>(utf8[i]);
        out[2 * i + 1] = 0;
      }
    }
    return;
  }
  out = encodeTextSlowly(utf8, version, codePage, compress);
}

namespace {

Bytes encodeTextSlowly(const std::string& utf8, Format version, std::uint16_t codePage, bool compress) {
  if (version == Format::Jet3) {
    std::optional<std::string> encoded = encodeCodePage(utf8, codePage);
    if (!encoded) throw Error(ErrorCode::ValueRejected, "text with characters the database's code page cannot hold");
    return Bytes(encoded->begin(), encoded->end());
  }
  std::u16string units = utf16Of(utf8);
  if (compress)
    if (std::optional<Bytes> packed = compressUcs2(units)) return *packed;
  Bytes out;
  out.reserve(units.size() * 2);
  bytes::Appender put(out);
  for (char16_t u : units) put.u16(u);
  return out;
}

}  // namespace

ColumnBytes encodeColumn(const StoredColumn& c, const Value& v, Format version, std::uint16_t codePage) {
  ColumnBytes out;
  encodeColumnInto(c, v, version, codePage, out);
  return out;
}

void encodeColumnInto(const StoredColumn& c, const Value& v, Format version, std::uint16_t codePage,
                      ColumnBytes& out) {
  out.present = false;
  out.bytes.clear();
  if (c.type == ColumnType::Boolean) {
    out.present = v.is<bool>() && v.as<bool>();
    return;
  }
  if (v.isNull()) return;
  out.present = true;
  switch (c.type) {
    case ColumnType::Byte: putNumber(out.bytes, 1, v.as<std::uint8_t>()); break;
    case ColumnType::Integer: putNumber(out.bytes, 2, static_cast<std::uint16_t>(v.as<std::int16_t>())); break;
    case ColumnType::Long: putNumber(out.bytes, 4, static_cast<std::uint32_t>(v.as<std::int32_t>())); break;
    case ColumnType::Currency: putNumber(out.bytes, 8, static_cast<std::uint64_t>(v.as<Currency>().units)); break;
    case ColumnType::Single: {
      std::uint32_t bits;
      float f = v.as<float>();
      std::memcpy(&bits, &f, 4);
      putNumber(out.bytes, 4, bits);
      break;
    }
    case ColumnType::Double:
    case ColumnType::DateTime: {
      double d = c.type == ColumnType::Double ? v.as<double>() : v.as<DateTime>().days;
      std::uint64_t bits;
      std::memcpy(&bits, &d, 8);
      putNumber(out.bytes, 8, bits);
      break;
    }
    case ColumnType::Guid: out.bytes.assign(v.as<Guid>().begin(), v.as<Guid>().end()); break;
    case ColumnType::Decimal: out.bytes = encodeDecimal(v.as<Decimal>()); break;
    case ColumnType::Binary: out.bytes.assign(v.as<Bytes>().begin(), v.as<Bytes>().end()); break;
    case ColumnType::Text: {
      bool compress = !c.isFixed() && (c.extFlags & format::column_ext_flag::kCompressedUnicode);
      encodeTextInto(v.as<std::string>(), version, codePage, compress, out.bytes);
      break;
    }
    default: throw Error(ErrorCode::InvalidState, "column " + c.name + " holds long values");
  }
  if (c.isFixed()) {
    // Fixed-length text is padded with spaces, fixed binary with zeros, to the column's size.
    std::size_t size = fixedColumnSize(c);
    if (out.bytes.size() > size) throw Error(ErrorCode::ValueRejected, "column " + c.name + ": the value is longer than the column");
    if (c.type == ColumnType::Text) {
      bool wide = version == Format::Jet4;
      while (out.bytes.size() + (wide ? 2 : 1) <= size) {
        out.bytes.push_back(0x20);
        if (wide) out.bytes.push_back(0x00);
      }
    }
    out.bytes.resize(size, 0);
  }
}

std::size_t encodedRowSize(const StoredTableDefinition& def, const format::Layout& layout,
                           const std::vector<ColumnBytes>& columns) {
  const bool jet3 = layout.version == Format::Jet3;
  std::uint16_t columnCount = def.maxColumns;
  for (const StoredColumn& c : def.columns) columnCount = std::max<std::uint16_t>(columnCount, c.number + 1);
  std::size_t size = jet3 ? 1 : 2;
  std::size_t fixedEnd = 0, variable = 0;
  std::uint16_t slots = def.varColumnCount;
  for (std::size_t i = 0; i < def.columns.size(); ++i) {
    const StoredColumn& c = def.columns[i];
    if (c.isFixed()) {
      fixedEnd = std::max(fixedEnd, c.fixedOffset + fixedColumnSize(c));
    } else {
      slots = std::max<std::uint16_t>(slots, c.varIndex + 1);
      if (columns[i].present) variable += columns[i].bytes.size();
    }
  }
  std::size_t maskSize = (columnCount + 7u) / 8u;
  size += fixedEnd + maskSize;
  if (def.varColumnCount == 0) return size;
  size += variable;
  if (!jet3) return size + 2u * (slots + 1u) + 2u;
  std::size_t base = size - maskSize, jumps = 0;
  for (;;) {
    std::size_t total = base + slots + 1u + jumps + 1u + maskSize;
    std::size_t needed = (total - 1) / 256;
    if (needed <= jumps) return total;
    jumps = needed;
  }
}

Bytes encodeRow(const StoredTableDefinition& def, const format::Layout& layout, const std::vector<ColumnBytes>& columns) {
  const bool jet3 = layout.version == Format::Jet3;
  std::uint16_t columnCount = def.maxColumns;
  for (const StoredColumn& c : def.columns) columnCount = std::max<std::uint16_t>(columnCount, c.number + 1);
  std::size_t maskSize = (columnCount + 7u) / 8u;
  std::vector<std::uint8_t> mask(maskSize, 0);

  Bytes row;
  row.reserve(maxRowSize(layout));  // any row that may be stored, without growing
  bytes::Appender put(row);
  if (jet3)
    put.u8(static_cast<std::uint8_t>(columnCount));
  else
    put.u16(columnCount);
  const std::size_t fixedStart = row.size();

  // The fixed area: every fixed column has its room, with or without a value.
  std::size_t fixedEnd = 0;
  for (const StoredColumn& c : def.columns)
    if (c.isFixed()) fixedEnd = std::max(fixedEnd, c.fixedOffset + fixedColumnSize(c));
  row.resize(fixedStart + fixedEnd, 0);
  std::uint16_t slots = def.varColumnCount;
  std::vector<const ColumnBytes*> bySlot(slots, nullptr);  // variable columns by slot
  for (std::size_t i = 0; i < def.columns.size(); ++i) {
    const StoredColumn& c = def.columns[i];
    const ColumnBytes& value = columns.at(i);
    if (value.present) mask[c.number / 8] |= static_cast<std::uint8_t>(1u << (c.number % 8));
    if (c.isFixed()) {
      if (value.present && !value.bytes.empty())
        std::memcpy(row.data() + fixedStart + c.fixedOffset, value.bytes.data(),
                    std::min(value.bytes.size(), fixedColumnSize(c)));
      continue;
    }
    if (c.varIndex >= slots) slots = c.varIndex + 1;
    if (bySlot.size() < slots) bySlot.resize(slots, nullptr);
    bySlot[c.varIndex] = &value;
  }
  bySlot.resize(slots, nullptr);

  if (def.varColumnCount > 0) {
    std::vector<std::size_t> offsets;
    offsets.reserve(bySlot.size() + 1);
    for (const ColumnBytes* value : bySlot) {
      offsets.push_back(row.size());
      if (value && value->present) row.insert(row.end(), value->bytes.begin(), value->bytes.end());
    }
    offsets.push_back(row.size());  // the end of the data
    if (jet3) {
      appendJet3Trailer(row, offsets, maskSize);
    } else {
      for (std::size_t i = offsets.size(); i-- > 0;) put.u16(static_cast<std::uint16_t>(offsets[i]));
      put.u16(slots);
    }
  }
  row.insert(row.end(), mask.begin(), mask.end());
  if (row.size() > maxRowSize(layout)) tooLong(def, row.size(), maxRowSize(layout));
  return row;
}

}  // namespace jet
