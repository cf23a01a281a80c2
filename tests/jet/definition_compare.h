#pragma once
// Field-by-field comparison of two stored table definitions, for tests that write definitions and
// read them back or compare them with the definitions Access wrote.

#include <gtest/gtest.h>

#include <string>

#include "jet/tdef/table_definition.h"

namespace qbm::test {

struct DefinitionParts {
  bool pagesAndMaps = true;  // page numbers and usage map row pointers
  bool counts = true;        // row count, next autonumber, index row counts
};

inline void expectSameDefinition(const jet::StoredTableDefinition& expected, const jet::StoredTableDefinition& actual,
                                 DefinitionParts parts = {}) {
  const std::string t = expected.name + ": ";
  EXPECT_EQ(expected.tableType, actual.tableType) << t;
  EXPECT_EQ(expected.maxColumns, actual.maxColumns) << t;
  EXPECT_EQ(expected.varColumnCount, actual.varColumnCount) << t;
  if (parts.counts) {
    EXPECT_EQ(expected.rowCount, actual.rowCount) << t;
    EXPECT_EQ(expected.nextAutoNumber, actual.nextAutoNumber) << t;
  }
  if (parts.pagesAndMaps) {
    EXPECT_EQ(expected.ownedPagesMap, actual.ownedPagesMap) << t;
    EXPECT_EQ(expected.freePagesMap, actual.freePagesMap) << t;
  }
  ASSERT_EQ(expected.columns.size(), actual.columns.size()) << t;
  for (std::size_t i = 0; i < expected.columns.size(); ++i) {
    const jet::StoredColumn& e = expected.columns[i];
    const jet::StoredColumn& a = actual.columns[i];
    const std::string c = t + "column " + e.name + ": ";
    EXPECT_EQ(e.name, a.name) << c;
    EXPECT_EQ(e.typeCode, a.typeCode) << c;
    EXPECT_EQ(e.number, a.number) << c;
    EXPECT_EQ(e.flags, a.flags) << c;
    EXPECT_EQ(e.extFlags, a.extFlags) << c;
    EXPECT_EQ(e.length, a.length) << c;
    EXPECT_EQ(e.sortOrder, a.sortOrder) << c;
    EXPECT_EQ(e.precision, a.precision) << c;
    EXPECT_EQ(e.scale, a.scale) << c;
    if (e.isFixed()) {
      EXPECT_EQ(e.fixedOffset, a.fixedOffset) << c;
    } else {
      EXPECT_EQ(e.varIndex, a.varIndex) << c;
    }
  }
  ASSERT_EQ(expected.realIndexes.size(), actual.realIndexes.size()) << t;
  for (std::size_t i = 0; i < expected.realIndexes.size(); ++i) {
    const jet::RealIndex& e = expected.realIndexes[i];
    const jet::RealIndex& a = actual.realIndexes[i];
    const std::string r = t + "index tree " + std::to_string(i) + ": ";
    ASSERT_EQ(e.columns.size(), a.columns.size()) << r;
    for (std::size_t k = 0; k < e.columns.size(); ++k) {
      EXPECT_EQ(e.columns[k].columnNumber, a.columns[k].columnNumber) << r;
      EXPECT_EQ(e.columns[k].descending, a.columns[k].descending) << r;
    }
    EXPECT_EQ(e.flags, a.flags) << r;
    if (parts.pagesAndMaps) {
      EXPECT_EQ(e.usageMap, a.usageMap) << r;
      EXPECT_EQ(e.firstPage, a.firstPage) << r;
    }
    if (parts.counts) {
      EXPECT_EQ(e.rowCountHint, a.rowCountHint) << r;
    }
  }
  ASSERT_EQ(expected.logicalIndexes.size(), actual.logicalIndexes.size()) << t;
  for (std::size_t i = 0; i < expected.logicalIndexes.size(); ++i) {
    const jet::LogicalIndex& e = expected.logicalIndexes[i];
    const jet::LogicalIndex& a = actual.logicalIndexes[i];
    const std::string l = t + "index " + e.name + ": ";
    EXPECT_EQ(e.name, a.name) << l;
    EXPECT_EQ(e.number, a.number) << l;
    EXPECT_EQ(e.realIndex, a.realIndex) << l;
    EXPECT_EQ(e.kind, a.kind) << l;
    EXPECT_EQ(e.relatedTablePage, a.relatedTablePage) << l;
    EXPECT_EQ(e.relatedIndex, a.relatedIndex) << l;
    EXPECT_EQ(e.relatedTableType, a.relatedTableType) << l;
    EXPECT_EQ(e.cascadeUpdates, a.cascadeUpdates) << l;
    EXPECT_EQ(e.cascadeDeletes, a.cascadeDeletes) << l;
  }
  if (parts.pagesAndMaps) {
    ASSERT_EQ(expected.columnUsageMaps.size(), actual.columnUsageMaps.size()) << t;
    for (const jet::ColumnUsageMaps& e : expected.columnUsageMaps) {
      const jet::ColumnUsageMaps* a = actual.usageMapsOf(e.columnNumber);
      ASSERT_NE(a, nullptr) << t << "maps of column " << e.columnNumber;
      EXPECT_EQ(e.ownedPagesMap, a->ownedPagesMap) << t;
      EXPECT_EQ(e.freePagesMap, a->freePagesMap) << t;
    }
  }
}

}  // namespace qbm::test
