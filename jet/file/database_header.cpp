#include "jet/file/database_header.h"

#include <algorithm>
#include <cstring>

#include "jet/error.h"
#include "jet/file/rc4.h"
#include "jet/file/code_page_tables.h"

namespace jet {

namespace {

constexpr std::size_t kMinimumHeaderBytes = 0x100;

[[noreturn]] void notAccess(const char* why) {
  throw Error(ErrorCode::NotAccessFile, std::string("not an Access database: ") + why);
}

}  // namespace

void unmaskHeader(std::vector<std::uint8_t>& page0, const format::Layout& layout) {
  namespace h = format::header;
  std::size_t end = std::min(page0.size(), h::kMaskedOffset + layout.maskedLength);
  if (end <= h::kMaskedOffset) return;
  applyRc4(h::kMaskKey, std::span<std::uint8_t>(page0.data() + h::kMaskedOffset, end - h::kMaskedOffset));
}

std::vector<std::uint8_t> encodeDatabaseHeader(Format version, std::uint16_t codePage, DateTime created) {
  namespace h = format::header;
  if (!isSupportedCodePage(codePage) || codePage == 0)
    throw Error(ErrorCode::Unsupported, "code page " + std::to_string(codePage) + " cannot be used for a new database");
  const format::Layout& layout = format::layout(version);
  const bool jet4 = version == Format::Jet4;
  std::vector<std::uint8_t> page(layout.pageSize, 0);
  MutableByteSpan p(page);
  bytes::put32(p, 0, 0x100);  // page type 0, then the byte 1 every page carries
  std::memcpy(page.data() + h::kMagicOffset, h::kMagic, h::kMagicLength);
  bytes::put8(p, h::kVersionOffset, jet4 ? h::kVersionJet4 : h::kVersionJet3);
  std::memcpy(page.data() + h::kMaskedOffset, h::kMaskedPreamble, sizeof h::kMaskedPreamble);
  bytes::put16(p, h::kCodePageOffset, codePage);
  bytes::put32(p, h::kDatabaseKeyOffset, 0);
  const std::size_t afterPassword = h::kPasswordOffset + layout.passwordLength;
  if (jet4) {
    // The empty password is stored XORed with the whole days of the creation date, repeated.
    auto seed = static_cast<std::uint32_t>(static_cast<std::int32_t>(created.days));
    for (std::size_t i = 0; i < layout.passwordLength; i += 4) bytes::put32(p, h::kPasswordOffset + i, seed);
    bytes::put32(p, afterPassword, h::kJet4AfterPasswordValue);
    bytes::put16(p, h::kJet4SortOrderOffset, h::kGeneralSortOrder);
    bytes::putF64(p, h::kJet4CreationDateOffset, created.days);
    std::memcpy(page.data() + h::kJet4TagOffset, h::kJet4Tag, sizeof h::kJet4Tag);
  } else {
    bytes::put16(p, h::kJet3FlagOffset, 1);
    bytes::put16(p, h::kJet3SortOrderOffset, h::kGeneralSortOrder);
    bytes::put32(p, afterPassword, h::kJet3AfterPasswordValue);
  }
  for (std::size_t at = layout.pageSize - h::kTrailerLength; at < layout.pageSize; at += 2)
    bytes::put16(p, at, 0x100);
  page[layout.pageSize - h::kTrailerLength] = 0x01;
  unmaskHeader(page, layout);  // the mask is its own inverse
  return page;
}

DatabaseHeader readDatabaseHeader(ByteSpan firstBytes) {
  namespace h = format::header;
  if (firstBytes.size() < kMinimumHeaderBytes) notAccess("the file is too short");
  if (firstBytes[0] != format::page_type::kDatabaseHeader ||
      std::memcmp(firstBytes.data() + h::kMagicOffset, h::kMagic, h::kMagicLength) != 0)
    notAccess("no Jet database signature");
  DatabaseHeader header;
  std::uint8_t version = firstBytes[h::kVersionOffset];
  if (version == h::kVersionJet3) {
    header.version = Format::Jet3;
  } else if (version == h::kVersionJet4) {
    header.version = Format::Jet4;
  } else {
    throw Error(ErrorCode::Unsupported,
                "the database is in a format of Access 2007 or later, which this program does not read");
  }
  const format::Layout& layout = format::layout(header.version);
  header.pageSize = layout.pageSize;

  std::vector<std::uint8_t> page(firstBytes.begin(),
                                 firstBytes.begin() + std::min<std::size_t>(firstBytes.size(), layout.pageSize));
  unmaskHeader(page, layout);
  ByteSpan p(page);
  header.codePage = bytes::u16(p, h::kCodePageOffset);
  header.databaseKey = bytes::u32(p, h::kDatabaseKeyOffset);
  if (header.version == Format::Jet3) {
    header.sortOrder = bytes::u16(p, h::kJet3SortOrderOffset);
  } else {
    header.sortOrder = bytes::u16(p, h::kJet4SortOrderOffset);
    header.sortOrderVersion = bytes::u8(p, h::kJet4SortOrderOffset + 3);
  }
  if (header.sortOrder == 0) header.sortOrder = h::kGeneralSortOrder;
  if (header.codePage == 0) header.codePage = 1252;
  if (header.version == Format::Jet3 && !isSupportedCodePage(header.codePage))
    throw Error(ErrorCode::Unsupported, "the database's text uses code page " +
                                            std::to_string(header.codePage) +
                                            ", which this program cannot convert");
  return header;
}

}  // namespace jet
