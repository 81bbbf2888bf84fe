// Fuzzes the score server's query parsing with arbitrary raw queries: the
// query split and percent-decoding, the score rule and the name rule, and the
// page's escaping of whatever name comes out. Checks the rules' promises:
// a stored name is 1 to 24 bytes with no control byte, no comma and no blank
// at either end; an accepted score is within 0..2147483647; the page never
// carries a raw '<' from a name.
#include <cstdint>
#include <string>
#include <string_view>

#include "page.h"
#include "query.h"
#include "scorename.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string_view raw(reinterpret_cast<const char *>(data), size);
  scores::QueryParams params;
  if (scores::parseQuery(raw, params)) {
    for (const auto &[name, value] : params) {
      int32_t score = 0;
      if (scores::parseScore(value, score) && score < 0)
        __builtin_trap();
      std::string clean = scores::cleanName(value);
      if (clean.empty() || clean.size() > kMaxScoreNameBytes || clean.front() == ' ' || clean.back() == ' ')
        __builtin_trap();
      for (unsigned char c : clean)
        if (c < 32 || c == 127 || (c >= 128 && c < 160) || c == ',')
          __builtin_trap();
      std::string row = scores::htmlEscape(scores::latin1ToUtf8(clean));
      if (row.find('<') != std::string::npos)
        __builtin_trap();
      (void)name;
    }
  }
  return 0;
}
