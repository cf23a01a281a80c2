#pragma once
// A straightforward implementation of the legacy change rules, written from their description
// without the look-up structures: the direct match walks the rows for the first equal key, the
// fuzzy match walks them all, models are cut character by character. Tests compare the indexed
// implementation with it.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_chars.h"
#include "jet/text/sort_key.h"
#include "db/company_names.h"
#include "olddb/new_woofer_lookup.h"

namespace qbm::test {

// The code points of valid UTF-8 text, each as its own UTF-8 string.
inline std::vector<std::string> characters(std::string_view text) {
  std::vector<std::string> chars;
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    chars.emplace_back(text.substr(at, length));
    at += length;
  }
  return chars;
}

// The first n characters (the whole text when it has fewer).
inline std::string firstCharacters(std::string_view text, std::size_t n) {
  std::string out;
  const std::vector<std::string> chars = characters(text);
  for (std::size_t i = 0; i < chars.size() && i < n; ++i) out += chars[i];
  return out;
}

inline std::string upper(std::string_view text) { return UpperCase(text); }

inline std::string normalize(std::string_view model) {
  std::string out;
  for (char c : model)
    if (std::string_view("- =/").find(c) == std::string_view::npos) out += c;
  return upper(out);
}

struct ReferenceRules {
  const std::vector<NewWooferRow>& rows;  // in "Model" index order
  jet::Collation collation;
  const CompanyNameTable& full;
  const CompanyNameTable& shortNames;

  static std::string key(std::string_view model, jet::Collation collation) {
    const jet::Bytes b =
        jet::sortKey(jet::ColumnType::Text, jet::Value{std::string(model)}, false, collation);
    return std::string(b.begin(), b.end());
  }

  // The company test exactly as described: both names cut to Len(M) characters, upper-cased. An
  // empty M names only companies that exist with an empty full name.
  bool companyTest(const std::string& M, std::int32_t c) const {
    if (M.empty()) return full.has(c) && full[c].empty();
    const std::size_t L = characters(M).size();
    return upper(firstCharacters(full[c], L)) == M || upper(firstCharacters(shortNames[c], L)) == M;
  }

  static bool valid(const NewWooferRow& r) {
    return r.model && r.companyId > 0 && r.companyId <= 900 && r.id > 0;
  }

  std::optional<std::size_t> direct(std::string_view currentModel) const {
    const std::string wanted = key(currentModel, collation);
    for (std::size_t i = 0; i < rows.size(); ++i)
      if (rows[i].model && key(*rows[i].model, collation) == wanted) return i;
    return std::nullopt;
  }

  std::optional<std::size_t> fuzzy(const std::string& s, const std::string& M) const {
    const std::size_t length = characters(s).size();
    const auto begins = [&](std::string t) {
      t = normalize(t);
      if (characters(t).size() > length) t = firstCharacters(t, length);
      return t == s;
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (!valid(rows[i])) continue;
      const std::string whole = *rows[i].model;
      std::string t = whole;
      if (characters(t).size() > 5) {
        const std::string tail = t.substr(t.size() - 5);
        if (tail == " - MF" || tail == " - LF" || tail == " - HF") t.resize(t.size() - 5);
      }
      if ((begins(t) || begins(whole)) && companyTest(M, rows[i].companyId)) return i;
    }
    return std::nullopt;
  }

  static std::string stripWiring(std::string model) {
    const auto tailIs = [&](std::string_view suffix) {
      return characters(model).size() > suffix.size() &&
             upper(model.substr(model.size() - suffix.size())) == suffix;
    };
    if (tailIs(" - PARALLEL")) model.resize(model.size() - 11);
    if (tailIs(" - SERIES")) model.resize(model.size() - 9);
    if (tailIs(" (PAR)") || tailIs(" (SER)")) model.resize(model.size() - 6);
    return model;
  }

  static bool exception(const std::string& M, const std::string& m) {
    if (M == "DAYTON") return true;
    if (M == "INFINITY") return characters(m).size() > 4 && upper(firstCharacters(m, 4)) == "BETA";
    if (M == "CADENCE") return m == "6-403-8" || m == "CW10-502-4u DVC" || m == "CW12-502-4u DVC";
    if (M == "ETI SOUND SYSTEMS") return m == "8-30";
    if (M == "MCCAULEY") return m == "6326";
    if (M == "MOREL") return m == "MDM85";
    if (M == "PEERLESS") return m == "CSC 145H" || m == "CSX 176H" || m == "TP165R (831599)";
    if (M == "THRUSTER") return m == "10" || m == "8" || m == "12" || m == "15";
    return false;
  }

  // Whether a legacy row with this stored Model and Manufacturer is listed as changed.
  bool listed(const std::string& model, const std::string& manufacturer) const {
    std::string M = upper(manufacturer);
    if (M == "XTASY AUDIO") M = "XTASY";
    const std::string current = stripWiring(model);
    bool isListed = true;
    if (const std::optional<std::size_t> found = direct(current)) {
      const NewWooferRow& row = rows[*found];
      if (valid(row) && (M == "DAYTON" || companyTest(M, row.companyId))) isListed = false;
    } else if (exception(M, current)) {
      isListed = false;
    }
    if (!isListed) return false;
    std::string s = normalize(current);
    if (M == "BOSTWICK") {
      if (characters(s).size() > 3 && (s.rfind("BOS", 0) == 0 || s.rfind("BOX", 0) == 0))
        s = s.substr(3);
    } else if (M == "CERWIN VEGA") {
      if (!s.empty() && s[0] == 'S') s = "STEALTH" + s.substr(1);
    }
    return !fuzzy(s, M).has_value();
  }
};

}  // namespace qbm::test
