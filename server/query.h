// Query parsing of the score server: the raw query of a request into
// name/value pairs, the score rule and the name rule. Pure functions with no
// I/O, so that hostile input can be fed to them directly.
#ifndef TRIVELLO_SCORES_QUERY_H
#define TRIVELLO_SCORES_QUERY_H

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace scores {

// Longest raw query the server reads; anything longer is refused.
constexpr size_t kMaxQueryBytes = 512;
// Names are stored with at most this many bytes.

// Decoded query parameters, each name at most once.
using QueryParams = std::map<std::string, std::string>;

// Splits a raw query ("a=1&b=x%20y") into decoded pairs: '+' is a blank and
// %XX a byte. False for a query longer than kMaxQueryBytes, a bad %-escape,
// a pair without '=', an empty name or a name given twice.
bool parseQuery(std::string_view raw, QueryParams &out);

// A score in decimal digits only (leading zeros allowed) from 0 to
// 2147483647; false for anything else (sign, blank, empty, too big).
bool parseScore(std::string_view text, int32_t &score);

// The stored form of a typed name: the rule of game/scorename.h (control
// bytes removed, commas turned into blanks, blanks trimmed, at most 24 bytes,
// "Anonymous" for nothing left).
std::string cleanName(std::string_view raw);

// Looks up one required parameter; null when it is absent.
const std::string *findParam(const QueryParams &params, const char *name);

} // namespace scores

#endif
