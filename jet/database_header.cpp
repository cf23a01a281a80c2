#include "jet/database_header.h"

#include <algorithm>
#include <cstring>

#include "jet/error.h"
#include "jet/rc4.h"
#include "jet/text_codec.h"

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

DatabaseHeader readDatabaseHeader(ByteSpan firstBytes) {
  namespace h = format::header;
  if (firstBytes.size() < kMinimumHeaderBytes) notAccess("the file is too short");
  if (firstBytes[0] != format::page_type::kDatabaseHeader ||
      std::memcmp(firstBytes.data() + h::kMagicOffset, h::kMagic, h::kMagicLength) != 0)
    notAccess("no Jet database signature");
  DatabaseHeader header;
  std::uint8_t version = firstBytes[h::kVersionOffset];
  if (version == h::kVersionJet3) {
    header.version = format::Version::Jet3;
  } else if (version == h::kVersionJet4) {
    header.version = format::Version::Jet4;
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
  if (header.version == format::Version::Jet3) {
    header.sortOrder = bytes::u16(p, h::kJet3SortOrderOffset);
  } else {
    header.sortOrder = bytes::u16(p, h::kJet4SortOrderOffset);
    header.sortOrderVersion = bytes::u8(p, h::kJet4SortOrderOffset + 3);
  }
  if (header.sortOrder == 0) header.sortOrder = h::kGeneralSortOrder;
  if (header.codePage == 0) header.codePage = 1252;
  if (header.version == format::Version::Jet3 && !isSupportedCodePage(header.codePage))
    throw Error(ErrorCode::Unsupported, "the database's text uses code page " +
                                            std::to_string(header.codePage) +
                                            ", which this program cannot convert");
  return header;
}

}  // namespace jet
