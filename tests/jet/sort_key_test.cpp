// Properties of index keys that callers rely on: byte order equals value order (reversed for
// descending columns), text keys ignore letter case and trailing spaces, Nulls sort first (last when
// descending), and the key of leading columns is a prefix of the full key. The exact bytes are
// proven against files written by Access in index_interop_test.cpp.

#include "jet/text/sort_key.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "jet/error.h"

namespace jet {
namespace {

const Collation kBoth[] = {Collation::General97, Collation::General2000};

// Checks that encoding values (given in ascending order) gives strictly ascending keys, and
// strictly descending keys for a descending column.
void expectOrdered(ColumnType type, const std::vector<Value>& ascending, Collation c) {
  for (bool desc : {false, true}) {
    for (std::size_t i = 1; i < ascending.size(); ++i) {
      Bytes a = sortKey(type, ascending[i - 1], desc, c);
      Bytes b = sortKey(type, ascending[i], desc, c);
      if (desc) {
        EXPECT_GT(a, b) << "desc " << i;
      } else {
        EXPECT_LT(a, b) << "asc " << i;
      }
    }
  }
}

TEST(SortKey, NumbersOrderByValueInBothDirections) {
  std::mt19937 rng(7);
  std::vector<std::int32_t> longs = {std::numeric_limits<std::int32_t>::min(), -70000, -1, 0, 1,
                                     255, 256, 70000, std::numeric_limits<std::int32_t>::max()};
  std::vector<double> doubles = {-std::numeric_limits<double>::infinity(), -1e300, -2.5, -1e-300,
                                 0.0, 1e-300, 0.5, 1.0, 2.0, 1e300,
                                 std::numeric_limits<double>::infinity()};
  for (int i = 0; i < 200; ++i) {
    longs.push_back(static_cast<std::int32_t>(rng()));
    doubles.push_back(std::ldexp(static_cast<double>(static_cast<std::int32_t>(rng())),
                                 static_cast<int>(rng() % 200) - 100));
  }
  std::sort(longs.begin(), longs.end());
  longs.erase(std::unique(longs.begin(), longs.end()), longs.end());
  std::sort(doubles.begin(), doubles.end());
  doubles.erase(std::unique(doubles.begin(), doubles.end()), doubles.end());

  std::vector<Value> l, s, cur, d, f, t;
  for (auto v : longs) {
    l.emplace_back(v);
    cur.emplace_back(Currency{static_cast<std::int64_t>(v) * 40000});
    if (v >= -32768 && v <= 32767) s.emplace_back(static_cast<std::int16_t>(v));
  }
  for (auto v : doubles) {
    d.emplace_back(v);
    t.emplace_back(DateTime{v});
    float x = static_cast<float>(v);
    if (f.empty() || f.back().as<float>() < x) f.emplace_back(x);
  }
  std::vector<Value> bytes;
  for (int v : {0, 1, 127, 128, 255}) bytes.emplace_back(static_cast<std::uint8_t>(v));

  for (Collation c : kBoth) {
    expectOrdered(ColumnType::Long, l, c);
    expectOrdered(ColumnType::Integer, s, c);
    expectOrdered(ColumnType::Currency, cur, c);
    expectOrdered(ColumnType::Double, d, c);
    expectOrdered(ColumnType::DateTime, t, c);
    expectOrdered(ColumnType::Single, f, c);
    expectOrdered(ColumnType::Byte, bytes, c);
  }
}

TEST(SortKey, DecimalOrdersByValueAscending) {
  std::vector<Value> values;
  for (std::int64_t v : {-5000000000LL, -12LL, -1LL, 0LL, 1LL, 12LL, 5000000000LL}) {
    Decimal dec;
    dec.negative = v < 0;
    dec.low = static_cast<std::uint64_t>(v < 0 ? -v : v);
    values.emplace_back(dec);
  }
  for (std::size_t i = 1; i < values.size(); ++i)
    EXPECT_LT(sortKey(ColumnType::Decimal, values[i - 1], false, Collation::General2000),
              sortKey(ColumnType::Decimal, values[i], false, Collation::General2000));
  Decimal negativeZero;
  negativeZero.negative = true;
  EXPECT_EQ(sortKey(ColumnType::Decimal, Value(negativeZero), false, Collation::General2000),
            sortKey(ColumnType::Decimal, Value(Decimal{}), false, Collation::General2000));
}

TEST(SortKey, BinaryAndGuidOrderBytewiseWithLengthsAfterContent) {
  std::vector<Value> ascending = {Bytes{0x00}, Bytes{0x00, 0x00}, Bytes{0x01},
                                  Bytes{0x01, 0, 0, 0, 0, 0, 0, 0, 0},
                                  Bytes{0x01, 0, 0, 0, 0, 0, 0, 0, 1}, Bytes{0xFF}};
  expectOrdered(ColumnType::Binary, ascending, Collation::General2000);
  EXPECT_LT(sortKey(ColumnType::Binary, Value(Bytes{}), false, Collation::General2000),
            sortKey(ColumnType::Binary, ascending.front(), false, Collation::General2000));

  Guid low{}, high{};
  low[3] = 0x01;   // first group's most significant byte is stored last
  high[0] = 0x01;  // ... and its least significant first
  EXPECT_GT(sortKey(ColumnType::Guid, Value(low), false, Collation::General97),
            sortKey(ColumnType::Guid, Value(high), false, Collation::General97));
}

TEST(SortKey, NullSortsFirstAscendingAndLastDescending) {
  for (Collation c : kBoth) {
    for (ColumnType type : {ColumnType::Long, ColumnType::Text, ColumnType::Double}) {
      Value smallest = type == ColumnType::Text ? Value("") :
                       type == ColumnType::Long ? Value(std::numeric_limits<std::int32_t>::min())
                                                : Value(-std::numeric_limits<double>::infinity());
      EXPECT_LT(sortKey(type, Value(), false, c), sortKey(type, smallest, false, c));
      EXPECT_GT(sortKey(type, Value(), true, c), sortKey(type, smallest, true, c));
    }
    // Yes/No columns are never Null: a Null reads as No.
    EXPECT_EQ(sortKey(ColumnType::Boolean, Value(), false, c),
              sortKey(ColumnType::Boolean, Value(false), false, c));
  }
}

TEST(SortKey, YesSortsBeforeNoAscending) {
  for (Collation c : kBoth) {
    EXPECT_LT(sortKey(ColumnType::Boolean, Value(true), false, c),
              sortKey(ColumnType::Boolean, Value(false), false, c));
    EXPECT_GT(sortKey(ColumnType::Boolean, Value(true), true, c),
              sortKey(ColumnType::Boolean, Value(false), true, c));
  }
}

TEST(SortKey, TextIgnoresCaseAndTrailingSpaces) {
  for (Collation c : kBoth) {
    for (bool desc : {false, true}) {
      EXPECT_EQ(sortKey(ColumnType::Text, Value("ABC"), desc, c),
                sortKey(ColumnType::Text, Value("abc"), desc, c));
      EXPECT_EQ(sortKey(ColumnType::Text, Value("Déjà Vu"), desc, c),
                sortKey(ColumnType::Text, Value("DÉJÀ vu"), desc, c));
      EXPECT_EQ(sortKey(ColumnType::Text, Value("abc   "), desc, c),
                sortKey(ColumnType::Text, Value("abc"), desc, c));
      EXPECT_NE(sortKey(ColumnType::Text, Value(" abc"), desc, c),
                sortKey(ColumnType::Text, Value("abc"), desc, c));
      EXPECT_NE(sortKey(ColumnType::Text, Value("e"), desc, c),
                sortKey(ColumnType::Text, Value("é"), desc, c));
    }
  }
}

TEST(SortKey, TextOrdersAlphabetically) {
  std::vector<Value> words = {"", "0", "9", "a", "A1", "ab", "Abc", "abd", "b", "e", "é", "éa",
                              "f", "Z", "zz"};
  for (Collation c : kBoth) expectOrdered(ColumnType::Text, words, c);
}

TEST(SortKey, TextIsKeyedOnItsFirst255Characters) {
  std::string longText(300, 'x');
  std::string other = longText;
  other[280] = 'y';
  for (Collation c : kBoth) {
    EXPECT_EQ(sortKey(ColumnType::Text, Value(longText), false, c),
              sortKey(ColumnType::Text, Value(other), false, c));
    EXPECT_EQ(sortKey(ColumnType::Memo, Value(longText), false, c),
              sortKey(ColumnType::Text, Value(longText.substr(0, 255)), false, c));
  }
}

TEST(SortKey, LeadingColumnsKeyIsPrefixOfFullKey) {
  std::vector<KeyColumn> columns = {{ColumnType::Text, false}, {ColumnType::Long, true},
                                    {ColumnType::Double, false}};
  for (Collation c : kBoth) {
    Bytes full = indexKey(columns, {Value("Smith"), Value(std::int32_t{42}), Value(1.5)}, c);
    Bytes lead = indexKey(columns, {Value("SMITH")}, c);
    Bytes lead2 = indexKey(columns, {Value("smith"), Value(std::int32_t{42})}, c);
    ASSERT_LT(lead.size(), lead2.size());
    EXPECT_TRUE(std::equal(lead.begin(), lead.end(), full.begin()));
    EXPECT_TRUE(std::equal(lead2.begin(), lead2.end(), full.begin()));
    // A longer text is not matched by a shorter one's key.
    Bytes longer = indexKey(columns, {Value("Smithers")}, c);
    EXPECT_FALSE(std::equal(lead.begin(), lead.end(), longer.begin()));
  }
}

TEST(SortKey, UnicodeBeyondTheBasicPlaneDoesNotBreakKeys) {
  // Jet 4 text is UTF-16; a character outside the basic plane is a surrogate pair.
  Bytes a = sortKey(ColumnType::Text, Value("a\xF0\x9F\x8E\xB5"), false, Collation::General2000);
  Bytes b = sortKey(ColumnType::Text, Value("a\xF0\x9F\x8E\xB6"), false, Collation::General2000);
  EXPECT_LT(a, b);
  // Every low half of a pair: its two primary bytes rise with the code unit and skip the bytes 00
  // and 01 (they end a key's sections), so the weight steps by 3 where its low byte would wrap.
  std::uint32_t previous = 0;
  for (std::uint32_t low = 0; low < 1024; ++low) {
    const std::uint32_t c = 0x10000 + low;  // high half D800, low half DC00 + low
    const std::string utf8{char(0xF0), char(0x80 | (c >> 12 & 0x3F)), char(0x80 | (c >> 6 & 0x3F)),
                           char(0x80 | (c & 0x3F))};
    const Bytes key = sortKey(ColumnType::Text, Value(utf8), false, Collation::General2000);
    ASSERT_GE(key.size(), 5u);
    const std::uint32_t weight = key[3] << 8 | key[4];  // after the flag and the high half
    EXPECT_GT(key[4], 0x01) << "low half " << low;
    if (low > 0) {
      EXPECT_EQ(weight - previous, (previous & 0xFF) == 0xFF ? 3u : 1u) << "low half " << low;
    }
    previous = weight;
  }
  // Malformed UTF-8 is keyed as replacement characters, not rejected.
  EXPECT_NO_THROW(sortKey(ColumnType::Text, Value("a\xC3"), false, Collation::General2000));
}

TEST(SortKey, RejectsValuesOfAnotherKindAndOleColumns) {
  EXPECT_THROW(sortKey(ColumnType::Long, Value("12"), false, Collation::General2000), Error);
  EXPECT_THROW(sortKey(ColumnType::Text, Value(std::int32_t{1}), false, Collation::General2000),
               Error);
  try {
    sortKey(ColumnType::Ole, Value(Bytes{1}), false, Collation::General2000);
    FAIL() << "OLE keyed";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::Unsupported);
  }
  EXPECT_FALSE(isIndexable(ColumnType::Ole));
  EXPECT_TRUE(isIndexable(ColumnType::Memo));
}

TEST(SortKey, KeyValueConvertsExactlyOrNotAtAll) {
  EXPECT_EQ(keyValue(ColumnType::Long, Value(std::int16_t{5})), Value(std::int32_t{5}));
  EXPECT_EQ(keyValue(ColumnType::Long, Value(5.0)), Value(std::int32_t{5}));
  EXPECT_FALSE(keyValue(ColumnType::Long, Value(5.5)).has_value());
  EXPECT_FALSE(keyValue(ColumnType::Integer, Value(std::int32_t{40000})).has_value());
  EXPECT_FALSE(keyValue(ColumnType::Byte, Value(std::int32_t{-1})).has_value());
  EXPECT_EQ(keyValue(ColumnType::Integer, Value(true)), Value(std::int16_t{-1}));
  EXPECT_EQ(keyValue(ColumnType::Double, Value(std::int32_t{3})), Value(3.0));
  EXPECT_EQ(keyValue(ColumnType::Currency, Value(1.25)), Value(Currency{12500}));
  EXPECT_EQ(keyValue(ColumnType::Single, Value(0.5)), Value(0.5f));
  EXPECT_FALSE(keyValue(ColumnType::Single, Value(0.1)).has_value());
  EXPECT_EQ(keyValue(ColumnType::Text, Value("x")), Value("x"));
  // Numbers in text and integers as text, as a seek with the other kind of value expects.
  EXPECT_EQ(keyValue(ColumnType::Text, Value(std::int32_t{-12})), Value("-12"));
  EXPECT_FALSE(keyValue(ColumnType::Text, Value(1.5)).has_value());
  EXPECT_EQ(keyValue(ColumnType::Long, Value(" 42 ")), Value(std::int32_t{42}));
  EXPECT_EQ(keyValue(ColumnType::Double, Value("-2.5")), Value(-2.5));
  EXPECT_FALSE(keyValue(ColumnType::Long, Value("4x")).has_value());
  EXPECT_FALSE(keyValue(ColumnType::Integer, Value("1e9")).has_value());
  EXPECT_TRUE(keyValue(ColumnType::Long, Value())->isNull());
}

TEST(SortKey, CollationFollowsTheFormat) {
  EXPECT_EQ(collationFor(Format::Jet3, kGeneralSortOrder), Collation::General97);
  EXPECT_EQ(collationFor(Format::Jet4, kGeneralSortOrder), Collation::General2000);
  EXPECT_EQ(collationFor(Format::Jet4, 0), Collation::General2000);
  EXPECT_THROW(collationFor(Format::Jet4, 1036), Error);
  EXPECT_EQ(sortKey(ColumnType::Text, Value("x"), false, Format::Jet3, kGeneralSortOrder),
            sortKey(ColumnType::Text, Value("x"), false, Collation::General97));
  // Another sort order matters only for text.
  EXPECT_THROW(sortKey(ColumnType::Text, Value("x"), false, Format::Jet4, 1036), Error);
  EXPECT_EQ(sortKey(ColumnType::Long, Value(std::int32_t{3}), true, Format::Jet4, 1036),
            sortKey(ColumnType::Long, Value(std::int32_t{3}), true, Collation::General2000));
}

}  // namespace
}  // namespace jet
