#pragma once
// A small JSON reader for the tests: parses a document into a tree of Json values. Numbers keep
// their text so that tests can compare them exactly. Throws std::runtime_error on bad input.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qbm::test {

struct Json {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool boolean = false;
  std::string text;  // String: the UTF-8 text; Number: the number as written
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;  // in document order

  bool isNull() const { return kind == Kind::Null; }
  // Member by name; throws when absent.
  const Json& operator[](std::string_view name) const {
    for (const auto& [key, value] : members)
      if (key == name) return value;
    throw std::runtime_error("JSON member missing: " + std::string(name));
  }
  const Json& operator[](std::size_t i) const { return items.at(i); }
  std::size_t size() const { return kind == Kind::Array ? items.size() : members.size(); }

  static Json parse(std::string_view text) {
    Parser p{text};
    Json value = p.value();
    p.space();
    if (p.at != text.size()) throw std::runtime_error("JSON: trailing characters");
    return value;
  }

 private:
  struct Parser {
    std::string_view s;
    std::size_t at = 0;

    [[noreturn]] void fail(const char* what) const {
      throw std::runtime_error(std::string("JSON: ") + what + " at offset " + std::to_string(at));
    }
    void space() {
      while (at < s.size() && (s[at] == ' ' || s[at] == '\n' || s[at] == '\r' || s[at] == '\t')) ++at;
    }
    bool take(char c) {
      space();
      if (at < s.size() && s[at] == c) {
        ++at;
        return true;
      }
      return false;
    }
    void expect(char c) {
      if (!take(c)) fail("unexpected character");
    }
    bool word(std::string_view w) {
      if (s.substr(at, w.size()) == w) {
        at += w.size();
        return true;
      }
      return false;
    }
    static void appendUtf8(std::string& out, char32_t cp) {
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
    unsigned hex4() {
      if (at + 4 > s.size()) fail("short \\u escape");
      unsigned v = static_cast<unsigned>(std::stoul(std::string(s.substr(at, 4)), nullptr, 16));
      at += 4;
      return v;
    }
    std::string string() {
      expect('"');
      std::string out;
      while (true) {
        if (at >= s.size()) fail("unterminated string");
        char c = s[at++];
        if (c == '"') return out;
        if (c != '\\') {
          out.push_back(c);
          continue;
        }
        if (at >= s.size()) fail("bad escape");
        char e = s[at++];
        switch (e) {
          case 'n': out.push_back('\n'); break;
          case 'r': out.push_back('\r'); break;
          case 't': out.push_back('\t'); break;
          case 'b': out.push_back('\b'); break;
          case 'f': out.push_back('\f'); break;
          case 'u': {
            char32_t cp = hex4();
            if (cp >= 0xD800 && cp <= 0xDBFF && s.substr(at, 2) == "\\u") {
              at += 2;
              char32_t low = hex4();
              cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            }
            appendUtf8(out, cp);
            break;
          }
          default: out.push_back(e);
        }
      }
    }
    Json value() {
      space();
      if (at >= s.size()) fail("unexpected end");
      Json v;
      char c = s[at];
      if (c == '{') {
        v.kind = Kind::Object;
        ++at;
        if (take('}')) return v;
        do {
          space();
          std::string key = string();
          expect(':');
          v.members.emplace_back(std::move(key), value());
        } while (take(','));
        expect('}');
      } else if (c == '[') {
        v.kind = Kind::Array;
        ++at;
        if (take(']')) return v;
        do v.items.push_back(value());
        while (take(','));
        expect(']');
      } else if (c == '"') {
        v.kind = Kind::String;
        v.text = string();
      } else if (word("true")) {
        v.kind = Kind::Bool;
        v.boolean = true;
      } else if (word("false")) {
        v.kind = Kind::Bool;
      } else if (word("null")) {
        v.kind = Kind::Null;
      } else {
        std::size_t start = at;
        while (at < s.size() && std::string_view("+-0123456789.eE").find(s[at]) != std::string_view::npos) ++at;
        if (start == at) fail("unexpected character");
        v.kind = Kind::Number;
        v.text = std::string(s.substr(start, at - start));
      }
      return v;
    }
  };
};

// The JSON document in a file.
inline Json readJsonFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return Json::parse(text.str());
}

}  // namespace qbm::test
