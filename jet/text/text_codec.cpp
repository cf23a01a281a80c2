#include "jet/text/text_codec.h"

#include "jet/file/byte_writer.h"
#include "jet/file/code_page_tables.h"
#include "jet/file/format.h"

namespace jet {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

const std::uint16_t* upperHalf(std::uint16_t codePage) {
  return detail::codePageUpperHalf(codePage == 0 ? 1252 : codePage);
}

// Appends UCS-2 code units, joining surrogate pairs. pendingHigh carries a high surrogate across
// calls (compressed text switches mode between the two halves of a pair only in theory, but a
// hostile file may do it).
void appendUnit(std::string& out, std::uint16_t unit, char32_t& pendingHigh) {
  if (pendingHigh) {
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      appendUtf8(out, 0x10000 + ((pendingHigh - 0xD800) << 10) + (unit - 0xDC00));
      pendingHigh = 0;
      return;
    }
    appendUtf8(out, kReplacement);
    pendingHigh = 0;
  }
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    pendingHigh = unit;
  } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
    appendUtf8(out, kReplacement);
  } else {
    appendUtf8(out, unit);
  }
}

}  // namespace

char32_t foldCase(char32_t cp) {
  if (cp < 0x80) return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
  if ((cp >= 0xC0 && cp <= 0xDE && cp != 0xD7)) return cp + 32;
  if (cp >= 0x100 && cp <= 0x137) return cp | 1;
  if (cp >= 0x139 && cp <= 0x148) return (cp & 1) ? cp + 1 : cp;
  if (cp >= 0x14A && cp <= 0x177) return cp | 1;
  if (cp == 0x178) return 0xFF;
  if (cp >= 0x179 && cp <= 0x17E) return (cp & 1) ? cp + 1 : cp;
  if (cp >= 0x391 && cp <= 0x3AB && cp != 0x3A2) return cp + 32;
  if (cp >= 0x400 && cp <= 0x40F) return cp + 80;
  if (cp >= 0x410 && cp <= 0x42F) return cp + 32;
  return cp;
}

bool namesEqual(std::string_view a, std::string_view b) {
  if (a.size() == b.size() && a == b) return true;
  // Names are nearly always ASCII: compare those characters in place, and decode only from the
  // first character beyond ASCII on (up to there both names are aligned character by character).
  std::size_t i = 0;
  for (; i < a.size() && i < b.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 0x80 || y >= 0x80) break;
    if (foldCase(x) != foldCase(y)) return false;
  }
  if (i == a.size() || i == b.size()) return a.size() == b.size();
  a.remove_prefix(i);
  b.remove_prefix(i);
  std::u32string x = decodeUtf8(a), y = decodeUtf8(b);
  if (x.size() != y.size()) return false;
  for (std::size_t i = 0; i < x.size(); ++i)
    if (foldCase(x[i]) != foldCase(y[i])) return false;
  return true;
}

std::string foldedName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char32_t cp : decodeUtf8(name)) appendUtf8(out, foldCase(cp));
  return out;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::u32string decodeUtf8(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    auto b = static_cast<unsigned char>(s[i]);
    int extra = b < 0x80 ? 0 : (b >> 5) == 0x6 ? 1 : (b >> 4) == 0xE ? 2 : (b >> 3) == 0x1E ? 3 : -1;
    if (extra < 0 || i + extra >= s.size()) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    char32_t cp = extra == 0 ? b : b & (0x3F >> extra);
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (!ok || cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    out.push_back(cp);
    i += extra + 1;
  }
  return out;
}

std::string decodeCodePage(ByteSpan bytes, std::uint16_t codePage) {
  std::string out;
  out.reserve(bytes.size());
  appendCodePageText(out, bytes, codePage);
  return out;
}

void appendCodePageText(std::string& out, ByteSpan bytes, std::uint16_t codePage) {
  const std::uint16_t* high = upperHalf(codePage);
  if (!high) high = upperHalf(1252);
  for (std::uint8_t b : bytes) {
    if (b < 0x80)
      out.push_back(static_cast<char>(b));
    else
      appendUtf8(out, high[b - 0x80]);
  }
}

namespace {

// The byte of cp in the code page whose upper half is `high`, or -1 when it has none.
int codePageByte(char32_t cp, const std::uint16_t* high) {
  if (cp < 0x80) return static_cast<int>(cp);
  if (!high) return -1;
  for (int i = 0; i < 128; ++i)
    if (high[i] == cp) return 0x80 + i;
  return -1;
}

}  // namespace

std::optional<std::string> encodeCodePage(std::string_view utf8, std::uint16_t codePage) {
  const std::uint16_t* high = upperHalf(codePage);
  if (!high) return std::nullopt;
  std::string out;
  for (char32_t cp : decodeUtf8(utf8)) {
    const int b = codePageByte(cp, high);
    if (b < 0) return std::nullopt;
    out.push_back(static_cast<char>(b));
  }
  return out;
}

std::u32string charactersOutsideCodePage(std::string_view utf8, std::uint16_t codePage) {
  const std::uint16_t* high = upperHalf(codePage);
  std::u32string outside;
  for (char32_t cp : decodeUtf8(utf8))
    if (codePageByte(cp, high) < 0 && outside.find(cp) == std::u32string::npos) outside.push_back(cp);
  return outside;
}

std::string decodeJet4Text(ByteSpan bytes) {
  std::string out;
  out.reserve(bytes.size());
  appendJet4Text(out, bytes);
  return out;
}

void appendJet4Text(std::string& out, ByteSpan bytes) {
  char32_t pendingHigh = 0;
  bool compressed = bytes.size() >= 2 && bytes[0] == format::kCompressedTextMarker[0] &&
                    bytes[1] == format::kCompressedTextMarker[1];
  if (!compressed) {
    std::size_t i = 0;
    while (i + 1 < bytes.size()) {
      // A run of ASCII characters in one go (most text is nothing else), four at a time where the
      // run is long enough: a word of four code units is ASCII when no bit of it but the low seven
      // of each low byte is set.
      constexpr std::uint64_t kBeyondAscii = 0xFF80FF80FF80FF80ULL;
      std::size_t end = i;
      while (end + 8 <= bytes.size() && (bytes::word64(bytes.data() + end) & kBeyondAscii) == 0) end += 8;
      while (end + 1 < bytes.size() && bytes[end] < 0x80 && bytes[end + 1] == 0) end += 2;
      if (end > i && !pendingHigh) {
        const std::size_t at = out.size();
        out.resize(at + (end - i) / 2);
        char* o = out.data() + at;
        for (; i + 8 <= end; i += 8, o += 4) {
          std::uint64_t units = bytes::word64(bytes.data() + i);
          units = (units | units >> 8) & 0x0000FFFF0000FFFFULL;  // the low bytes of each pair together
          units |= units >> 16;
          for (int k = 0; k < 4; ++k) o[k] = static_cast<char>(units >> (8 * k));
        }
        for (; i < end; i += 2) *o++ = static_cast<char>(bytes[i]);
        continue;
      }
      appendUnit(out, static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8)), pendingHigh);
      i += 2;
    }
    if (pendingHigh || i < bytes.size()) appendUtf8(out, kReplacement);
    return;
  }
  // Compressed: starts with one byte per character; every 0x00 byte switches between one and two.
  bool oneByte = true;
  std::size_t i = 2;
  while (i < bytes.size()) {
    if (bytes[i] == 0x00) {
      oneByte = !oneByte;
      ++i;
      continue;
    }
    if (oneByte) {
      // A run of ASCII characters in one go, eight bytes at a time where the run is long enough (a
      // word without a zero byte or a high bit: subtracting 1 from each byte borrows only from a 0).
      std::size_t end = i;
      for (; end + 8 <= bytes.size(); end += 8) {
        const std::uint64_t word = bytes::word64(bytes.data() + end);
        if (((word - 0x0101010101010101ULL) | word) & 0x8080808080808080ULL) break;
      }
      while (end < bytes.size() && bytes[end] != 0x00 && bytes[end] < 0x80) ++end;
      if (end > i && !pendingHigh) {
        out.append(reinterpret_cast<const char*>(bytes.data() + i), end - i);
        i = end;
        continue;
      }
      appendUnit(out, bytes[i], pendingHigh);
      ++i;
    } else {
      // A two-byte character runs until the next 0x00 byte; a pair cut short by it is damage.
      if (i + 1 >= bytes.size() || bytes[i + 1] == 0x00) {
        appendUtf8(out, kReplacement);
        ++i;
        continue;
      }
      appendUnit(out, static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8)), pendingHigh);
      i += 2;
    }
  }
  if (pendingHigh) appendUtf8(out, kReplacement);
}

std::string encodeUcs2(std::string_view utf8) {
  std::vector<std::uint8_t> out;
  bytes::Appender put(out);
  for (char32_t cp : decodeUtf8(utf8)) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      put.u16(static_cast<std::uint16_t>(0xD800 + (cp >> 10)));
      put.u16(static_cast<std::uint16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      put.u16(static_cast<std::uint16_t>(cp));
    }
  }
  return std::string(out.begin(), out.end());
}

}  // namespace jet
