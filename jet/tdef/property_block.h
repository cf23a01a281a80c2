#pragma once
// Property blocks: the LvProp values of MSysObjects rows, where Access keeps the properties of an
// object (a table) and of each of its columns, such as "Required".
//
// Layout: a 4-byte tag ("MR2\0" in Jet 4, "KKD\0" in Jet 3), then chunks, each a 4-byte length
// (counting itself) and a 2-byte kind. The names chunk (kind 0x80) lists every property name once
// (2-byte byte count, then the name: UCS-2 in Jet 4, the code page in Jet 3). A value chunk (kind 0
// for the object, 1 for a column) holds a header (4-byte length of itself, 2-byte byte count, the
// object's or column's name) and then entries: 2-byte length (counting itself), a flag byte (1 for
// properties the database engine itself keeps, such as "Required"), the value's column type, the
// 2-byte index of the property's name, the 2-byte value length and the value.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/file/bytes.h"
#include "jet/file/format.h"
#include "jet/value.h"

namespace jet {

struct Property {
  std::string name;
  ColumnType type = ColumnType::Boolean;
  bool engine = false;  // kept by the database engine (a "DDL" property), not only by Access
  Bytes value;          // as stored: Yes/No as one byte, numbers little-endian, text in the file's form
};

struct PropertySet {
  std::string name;     // the column's name; "" for the object itself
  bool column = false;
  std::vector<Property> properties;
};

struct PropertyBlock {
  std::vector<PropertySet> sets;

  // The Yes/No property of a column, when the block has it.
  std::optional<bool> columnFlag(std::string_view column, std::string_view property) const;
};

// The block's bytes. Throws Error(ValueRejected) when a name cannot be written in the code page.
Bytes encodePropertyBlock(const PropertyBlock& block, Format version, std::uint16_t codePage);
// Reads a block. Chunks of other kinds are skipped. Throws Error(Damaged) when a length, count or
// name index does not fit the bytes.
PropertyBlock decodePropertyBlock(ByteSpan bytes, Format version, std::uint16_t codePage);

// The "Required" property as Access stores it for a column: a Yes/No kept by the engine.
Property requiredProperty(bool required);

}  // namespace jet
