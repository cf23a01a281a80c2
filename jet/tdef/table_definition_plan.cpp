#include "jet/tdef/table_definition_plan.h"

#include <algorithm>
#include <string>

#include "jet/error.h"
#include "jet/text/text_codec.h"

namespace jet {

namespace {

[[noreturn]] void reject(const std::string& message) { throw Error(ErrorCode::ValueRejected, message); }

std::string inQuotes(std::string_view name) {
  std::string out;
  out.reserve(name.size() + 2);
  out += '"';
  out += name;
  out += '"';
  return out;
}

bool isKnownType(ColumnType type) {
  switch (type) {
    case ColumnType::Boolean: case ColumnType::Byte: case ColumnType::Integer: case ColumnType::Long:
    case ColumnType::Currency: case ColumnType::Single: case ColumnType::Double: case ColumnType::DateTime:
    case ColumnType::Binary: case ColumnType::Text: case ColumnType::Ole: case ColumnType::Memo:
    case ColumnType::Guid: case ColumnType::Decimal:
      return true;
  }
  return false;
}

bool isVariable(ColumnType type) {
  return type == ColumnType::Text || type == ColumnType::Binary || type == ColumnType::Memo ||
         type == ColumnType::Ole;
}

// Bytes a fixed-size value takes in the row (Yes/No: none, it lives in the null mask).
std::uint16_t fixedAreaSize(ColumnType type) {
  switch (type) {
    case ColumnType::Byte: return 1;
    case ColumnType::Integer: return 2;
    case ColumnType::Long: case ColumnType::Single: return 4;
    case ColumnType::Currency: case ColumnType::Double: case ColumnType::DateTime: return 8;
    case ColumnType::Guid: return 16;
    case ColumnType::Decimal: return 17;
    default: return 0;
  }
}

class Planner {
 public:
  Planner(const TableDefinition& definition, Format version)
      : in_(definition), version_(version), table_("table " + inQuotes(definition.name)) {}

  StoredTableDefinition plan() {
    checkObjectName(in_.name, table_);
    out_.name = in_.name;
    out_.version = version_;
    out_.tableType = format::kUserTable;
    planColumns();
    planIndexes();
    return std::move(out_);
  }

 private:
  bool jet4() const { return version_ == Format::Jet4; }
  std::string columnWhat(const std::string& name) const { return "column " + inQuotes(name) + " of " + table_; }
  std::string indexWhat(const std::string& name) const { return "index " + inQuotes(name) + " of " + table_; }

  void planColumns() {
    if (in_.columns.empty()) reject(table_ + " has no columns");
    if (in_.columns.size() > kMaxColumnsPerTable)
      reject(table_ + " has " + std::to_string(in_.columns.size()) + " columns; a table holds at most " +
             std::to_string(kMaxColumnsPerTable));
    std::uint16_t fixedOffset = 0;
    std::uint16_t varCount = 0;
    bool haveAutoNumber = false;
    for (std::size_t i = 0; i < in_.columns.size(); ++i) {
      const ColumnDefinition& c = in_.columns[i];
      checkColumn(c, i);
      if (c.autonumber) {
        if (haveAutoNumber) reject(table_ + " has more than one autonumber column");
        haveAutoNumber = true;
      }
      StoredColumn s = layoutColumn(c, static_cast<std::uint16_t>(i));
      s.varIndex = varCount;
      if (isVariable(c.type)) {
        ++varCount;
      } else if (c.type != ColumnType::Boolean) {
        s.fixedOffset = fixedOffset;
        fixedOffset = static_cast<std::uint16_t>(fixedOffset + fixedAreaSize(c.type));
      }
      if (s.isLongValue()) out_.columnUsageMaps.push_back({s.number, 0, 0});
      out_.columns.push_back(std::move(s));
    }
    // The smallest row: column count, fixed area, variable count and end offset, null mask.
    std::size_t countSize = jet4() ? 2 : 1;
    std::size_t smallest = countSize + fixedOffset + 2 * countSize + (in_.columns.size() + 7) / 8;
    if (smallest > maxRowSize(format::layout(version_)))
      reject("the fixed-size columns of " + table_ + " take " + std::to_string(fixedOffset) +
             " bytes, more than a row can hold");
    out_.maxColumns = static_cast<std::uint16_t>(in_.columns.size());
    out_.varColumnCount = varCount;
  }

  void checkColumn(const ColumnDefinition& c, std::size_t position) {
    std::string what = columnWhat(c.name);
    checkObjectName(c.name, what);
    for (std::size_t j = 0; j < position; ++j)
      if (namesEqual(in_.columns[j].name, c.name)) reject(table_ + " has two columns named " + inQuotes(c.name));
    if (!isKnownType(c.type)) reject(what + " has an unknown type");
    if ((c.type == ColumnType::Text || c.type == ColumnType::Binary) && (c.size < 0 || c.size > kMaxTextSize))
      reject(what + " has size " + std::to_string(c.size) + "; the size must be 1 to 255");
    if (c.type == ColumnType::Decimal) {
      if (!jet4()) reject(what + " is Decimal, which an Access 97 database cannot hold");
      if (c.precision < 1 || c.precision > kMaxDecimalPrecision || c.scale > c.precision)
        reject(what + " has precision " + std::to_string(c.precision) + " and scale " + std::to_string(c.scale) +
               "; the precision must be 1 to 28 and the scale at most the precision");
    }
    if (c.autonumber && c.type != ColumnType::Long && c.type != ColumnType::Guid)
      reject(what + " is autonumber but neither Long nor Replication ID (GUID)");
  }

  StoredColumn layoutColumn(const ColumnDefinition& c, std::uint16_t number) const {
    StoredColumn s;
    s.name = c.name;
    s.type = c.type;
    s.typeCode = static_cast<std::uint8_t>(c.type);
    s.number = number;
    s.flags = format::column_flag::kNullable;  // "updatable": set on every column Access makes
    if (!isVariable(c.type)) s.flags |= format::column_flag::kFixedLength;
    if (c.autonumber)
      s.flags |= c.type == ColumnType::Guid ? format::column_flag::kAutoGuid : format::column_flag::kAutoLong;
    s.required = c.required;
    int size = c.size == 0 ? kMaxTextSize : c.size;
    switch (c.type) {
      case ColumnType::Text:
        s.length = static_cast<std::uint16_t>(jet4() ? 2 * size : size);
        break;
      case ColumnType::Binary:
        s.length = static_cast<std::uint16_t>(size);
        break;
      case ColumnType::Boolean:
        s.length = 1;
        break;
      default:
        s.length = fixedAreaSize(c.type);
    }
    if (s.isText()) {
      s.sortOrder = format::header::kGeneralSortOrder;
      if (jet4()) s.extFlags = format::column_ext_flag::kCompressedUnicode;
    }
    if (c.type == ColumnType::Decimal) {
      s.precision = c.precision;
      s.scale = c.scale;
    }
    return s;
  }

  void planIndexes() {
    if (in_.indexes.size() > kMaxIndexesPerTable)
      reject(table_ + " has " + std::to_string(in_.indexes.size()) + " indexes; a table holds at most " +
             std::to_string(kMaxIndexesPerTable));
    bool havePrimary = false;
    for (std::size_t i = 0; i < in_.indexes.size(); ++i) {
      const IndexDefinition& d = in_.indexes[i];
      checkIndex(d, i);
      if (d.primary) {
        if (havePrimary) reject(table_ + " has more than one primary key");
        havePrimary = true;
      }
      auto number = static_cast<std::uint32_t>(i);
      RealIndex r;
      r.number = number;
      for (const IndexColumn& k : d.columns) r.columns.push_back({columnNumber(k.name), k.descending});
      if (d.primary || d.unique) r.flags |= format::index_flag::kUnique;
      if (d.primary || d.required) r.flags |= format::index_flag::kRequired;
      if (d.ignoreNulls) r.flags |= format::index_flag::kIgnoreNulls;
      if (jet4()) r.flags |= format::tdef_writing::kJet4IndexFlagAlways;
      out_.realIndexes.push_back(std::move(r));
      LogicalIndex l;
      l.name = d.name;
      l.number = number;
      l.realIndex = number;
      l.kind = d.primary ? format::index_kind::kPrimaryKey : format::index_kind::kNormal;
      out_.logicalIndexes.push_back(std::move(l));
    }
  }

  void checkIndex(const IndexDefinition& d, std::size_t position) {
    std::string what = indexWhat(d.name);
    checkObjectName(d.name, what);
    for (std::size_t j = 0; j < position; ++j)
      if (namesEqual(in_.indexes[j].name, d.name)) reject(table_ + " has two indexes named " + inQuotes(d.name));
    if (d.foreign) reject(what + " belongs to a relationship; relationships cannot be made here");
    if (d.columns.empty() || d.columns.size() > format::kMaxIndexColumns)
      reject(what + " has " + std::to_string(d.columns.size()) + " columns; an index has 1 to 10");
    for (std::size_t k = 0; k < d.columns.size(); ++k) {
      const std::string& name = d.columns[k].name;
      const ColumnDefinition* column = findColumn(name);
      if (!column) reject(what + " names column " + inQuotes(name) + ", which the table does not have");
      if (column->type == ColumnType::Memo || column->type == ColumnType::Ole)
        reject(what + " is on column " + inQuotes(name) + "; Memo and OLE columns cannot be indexed");
      for (std::size_t j = 0; j < k; ++j)
        if (namesEqual(d.columns[j].name, name)) reject(what + " names column " + inQuotes(name) + " twice");
    }
  }

  const ColumnDefinition* findColumn(std::string_view name) const {
    for (const ColumnDefinition& c : in_.columns)
      if (namesEqual(c.name, name)) return &c;
    return nullptr;
  }

  std::uint16_t columnNumber(std::string_view name) const {
    for (const StoredColumn& c : out_.columns)
      if (namesEqual(c.name, name)) return c.number;
    return 0;  // not reached: checkIndex found the column
  }

  const TableDefinition& in_;
  Format version_;
  std::string table_;
  StoredTableDefinition out_;
};

}  // namespace

void checkObjectName(std::string_view name, const std::string& what) {
  if (name.empty()) reject("a name is missing: " + what + " needs one");
  std::u32string chars = decodeUtf8(name);
  if (chars.size() > kMaxObjectNameLength)
    reject("the name of " + what + " is " + std::to_string(chars.size()) + " characters long; at most " +
           std::to_string(kMaxObjectNameLength) + " are allowed");
  if (chars.front() == U' ') reject("the name of " + what + " starts with a space");
  for (char32_t c : chars) {
    if (c < 0x20 || c == 0x7F) reject("the name of " + what + " has a control character");
    if (c == U'.' || c == U'!' || c == U'`' || c == U'[' || c == U']')
      reject("the name of " + what + " has the character " + std::string(1, static_cast<char>(c)) +
             ", which names may not hold (. ! ` [ ])");
    if (c == 0xFFFD) reject("the name of " + what + " is not valid UTF-8 text");
  }
}

StoredTableDefinition planTableDefinition(const TableDefinition& definition, Format version) {
  return Planner(definition, version).plan();
}

}  // namespace jet
