#include "common/number_text.h"

#include <charconv>
#include <cmath>

namespace qbm {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Blanks around a typed number: ASCII white space and the no-break space.
std::string_view trimBlanks(std::string_view text) {
  auto blankAt = [&](size_t i) -> size_t {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f') return 1;
    if (c == '\xC2' && i + 1 < text.size() && text[i + 1] == '\xA0') return 2;
    return 0;
  };
  while (!text.empty()) {
    size_t n = blankAt(0);
    if (n == 0) break;
    text.remove_prefix(n);
  }
  while (!text.empty()) {
    if (text.back() == '\xA0' && text.size() >= 2 && text[text.size() - 2] == '\xC2') {
      text.remove_suffix(2);
    } else if (blankAt(text.size() - 1) == 1) {
      text.remove_suffix(1);
    } else {
      break;
    }
  }
  return text;
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return !prefix.empty() && text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::optional<double> parseLocaleNumber(std::string_view text, const UserLocale& locale) {
  text = trimBlanks(text);
  const std::string_view decimal = locale.decimalSeparator;
  const std::string_view group =
      locale.groupSeparator == locale.decimalSeparator ? std::string_view{} : locale.groupSeparator;

  std::string plain;  // the number rewritten for from_chars: [-]digits[.digits][e[-]digits]
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') plain += '-';
    ++i;
  }
  int digits = 0;
  while (i < text.size()) {
    if (isDigit(text[i])) {
      plain += text[i++];
      ++digits;
    } else if (digits > 0 && startsWith(text.substr(i), group) && i + group.size() < text.size() &&
               isDigit(text[i + group.size()])) {
      i += group.size();
    } else {
      break;
    }
  }
  if (startsWith(text.substr(i), decimal)) {
    i += decimal.size();
    plain += '.';
    while (i < text.size() && isDigit(text[i])) {
      plain += text[i++];
      ++digits;
    }
  }
  if (digits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    plain += 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) plain += text[i++];
    int exponentDigits = 0;
    while (i < text.size() && isDigit(text[i])) {
      plain += text[i++];
      ++exponentDigits;
    }
    if (exponentDigits == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;

  double value = 0;
  auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (ec != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::string shortNumberText(double value, int significantDigits, const UserLocale& locale) {
  if (!std::isfinite(value)) return std::isnan(value) ? "NaN" : (value < 0 ? "-Inf" : "Inf");
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general,
                              significantDigits);
  std::string text(buffer, result.ptr);
  for (char& c : text)
    if (c == 'e') c = 'E';
  const size_t point = text.find('.');
  if (point != std::string::npos) text.replace(point, 1, locale.decimalSeparator);
  return text;
}

}  // namespace qbm
