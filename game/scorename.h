// The one rule for a name in a top ten, shared by the score server and the
// game's own table on this computer, so that a name reads the same in both.
// Header only, with no dependency on the rest of the game: the server
// includes it too.
#ifndef TRIVELLO_SCORENAME_H
#define TRIVELLO_SCORENAME_H

#include <cstddef>
#include <string>
#include <string_view>

// At most this many bytes of a name are kept.
constexpr size_t kMaxScoreNameBytes = 24;

// The stored form of a typed name (ISO-8859-1 bytes): control bytes (ASCII
// and Latin-1) removed, commas turned into blanks (a comma separates the
// fields of the top-ten reply), blanks trimmed at both ends, cut to
// kMaxScoreNameBytes bytes; an empty result becomes "Anonymous".
inline std::string CleanScoreName(std::string_view raw) {
  std::string name;
  for (char c : raw) {
    unsigned char b = (unsigned char)c;
    if (b < 32 || b == 127 || (b >= 128 && b < 160))
      continue;
    name += c == ',' ? ' ' : c;
  }
  size_t first = name.find_first_not_of(' ');
  if (first == std::string::npos)
    return "Anonymous";
  name.erase(0, first);
  if (name.size() > kMaxScoreNameBytes)
    name.resize(kMaxScoreNameBytes);
  name.erase(name.find_last_not_of(' ') + 1);
  return name;
}

#endif
