// Query parsing of the score server (see query.h).
#include "query.h"

#include "scorename.h" // the name rule the game's own table shares

namespace scores {

namespace {

// Value of one hexadecimal digit, or -1.
int hexValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// Decodes %XX and '+' of one query component; false on a bad escape.
bool decodeComponent(std::string_view in, std::string &out) {
  out.clear();
  for (size_t i = 0; i < in.size(); i++) {
    char c = in[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%') {
      if (i + 2 >= in.size())
        return false;
      int hi = hexValue(in[i + 1]);
      int lo = hexValue(in[i + 2]);
      if (hi < 0 || lo < 0)
        return false;
      out += (char)(hi * 16 + lo);
      i += 2;
    } else {
      out += c;
    }
  }
  return true;
}

} // namespace

// Splits and decodes the query; refuses anything ambiguous.
bool parseQuery(std::string_view raw, QueryParams &out) {
  out.clear();
  if (raw.size() > kMaxQueryBytes)
    return false;
  size_t start = 0;
  while (start <= raw.size()) {
    size_t end = raw.find('&', start);
    if (end == std::string_view::npos)
      end = raw.size();
    std::string_view pair = raw.substr(start, end - start);
    if (!pair.empty()) {
      size_t eq = pair.find('=');
      if (eq == std::string_view::npos || eq == 0)
        return false;
      std::string name, value;
      if (!decodeComponent(pair.substr(0, eq), name) || !decodeComponent(pair.substr(eq + 1), value))
        return false;
      if (name.empty() || !out.emplace(std::move(name), std::move(value)).second)
        return false;
    }
    start = end + 1;
  }
  return true;
}

// Digits only, within 0..INT32_MAX.
bool parseScore(std::string_view text, int32_t &score) {
  if (text.empty())
    return false;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
    v = v * 10 + (c - '0');
    if (v > INT32_MAX)
      return false;
  }
  score = (int32_t)v;
  return true;
}

// Applies the name rule: strip controls, no commas, trimmed, at most 24 bytes.
std::string cleanName(std::string_view raw) { return CleanScoreName(raw); }

// The value of a parameter, or null.
const std::string *findParam(const QueryParams &params, const char *name) {
  auto it = params.find(name);
  return it == params.end() ? nullptr : &it->second;
}

} // namespace scores
