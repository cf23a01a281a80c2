#include "db/field_read.h"

#include <cmath>
#include <cstdio>
#include <type_traits>

#include "common/date_text.h"
#include "common/number_or_zero.h"
#include "common/number_text.h"

namespace qbm {
namespace {

std::string hexText(const jet::Bytes& bytes) {
  std::string text;
  char pair[3];
  for (std::uint8_t b : bytes) {
    std::snprintf(pair, sizeof pair, "%02X", b);
    text += pair;
  }
  return text;
}

std::string guidText(const jet::Guid& g) {
  char text[40];
  std::snprintf(text, sizeof text,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g[3],
                g[2], g[1], g[0], g[5], g[4], g[7], g[6], g[8], g[9], g[10], g[11], g[12], g[13],
                g[14], g[15]);
  return text;
}

std::string dayText(double days, const UserLocale& locale) {
  const std::optional<CivilDate> date = civilDateFromSerial(days);
  return date ? formatDayMonthYear(*date, locale) : std::string();
}

bool isAsciiTrue(const std::string& text) {
  if (text.size() != 4) return false;
  const char* word = "true";
  for (size_t i = 0; i < 4; ++i)
    if ((text[i] | 0x20) != word[i]) return false;
  return true;
}

}  // namespace

jet::Value fieldValue(const jet::Table& table, std::string_view field) {
  const int column = table.columnIndex(field);
  return column < 0 ? jet::Value{} : table.get(column);
}

std::string readText(const jet::Value& value, const UserLocale& locale) {
  return std::visit(
      [&](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, jet::Null>) {
          return "";
        } else if constexpr (std::is_same_v<T, std::string>) {
          return v;
        } else if constexpr (std::is_same_v<T, bool>) {
          return v ? "True" : "False";
        } else if constexpr (std::is_same_v<T, std::uint8_t> || std::is_same_v<T, std::int16_t> ||
                             std::is_same_v<T, std::int32_t>) {
          return std::to_string(v);
        } else if constexpr (std::is_same_v<T, float>) {
          return shortNumberText(v, 7, locale);
        } else if constexpr (std::is_same_v<T, double>) {
          return shortNumberText(v, 15, locale);
        } else if constexpr (std::is_same_v<T, jet::Currency> || std::is_same_v<T, jet::Decimal>) {
          return shortNumberText(NumberOrZero(value, locale), 15, locale);
        } else if constexpr (std::is_same_v<T, jet::DateTime>) {
          return dayText(v.days, locale);
        } else if constexpr (std::is_same_v<T, jet::Bytes>) {
          return hexText(v);
        } else {
          return guidText(v);
        }
      },
      value.storage());
}

std::string readText(const jet::Value& value) { return readText(value, currentUserLocale()); }

double readNumber(const jet::Value& value) { return NumberOrZero(value); }

float readResponseLevel(const jet::Value& value) {
  return static_cast<float>(NumberOrZero(value));
}

std::int16_t readCode(const jet::Value& value) { return IntegerOrZero(value); }

std::int32_t readLong(const jet::Value& value) {
  if (value.is<std::int32_t>()) return value.as<std::int32_t>();
  if (value.is<jet::DateTime>()) return 0;
  const std::optional<double> number = NumericValue(value, currentUserLocale());
  if (!number) return 0;
  const double rounded = roundHalfEven(*number);
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) return 0;
  return static_cast<std::int32_t>(rounded);
}

std::int16_t readYesNo(const jet::Value& value) {
  if (value.is<std::string>() && isAsciiTrue(value.as<std::string>())) return -1;
  if (value.is<jet::DateTime>()) return value.as<jet::DateTime>().days != 0 ? -1 : 0;
  const std::optional<double> number = NumericValue(value, currentUserLocale());
  return number && *number != 0 ? -1 : 0;
}

std::string readDate(const jet::Value& value, const UserLocale& locale) {
  if (value.isNull()) return "";
  if (value.is<std::string>()) return value.as<std::string>();
  if (value.is<jet::DateTime>()) return dayText(value.as<jet::DateTime>().days, locale);
  if (value.is<bool>()) return "";
  const std::optional<double> days = NumericValue(value, locale);
  return days ? dayText(*days, locale) : std::string();
}

std::string readDate(const jet::Value& value) { return readDate(value, currentUserLocale()); }

jet::Value dateFieldValue(const std::string& text, jet::ColumnType columnType,
                          const UserLocale& locale) {
  if (text.empty()) return jet::Null{};
  if (columnType != jet::ColumnType::DateTime) return text;
  const std::optional<CivilDate> date = parseDayMonthYear(text, locale);
  if (!date) return jet::Null{};
  return jet::DateTime{serialFromCivilDate(*date)};
}

}  // namespace qbm
