// Fuzzes the top-ten reply parser with arbitrary server replies: it must
// never read or write outside the reply or the ten records, every name must
// stay NUL-terminated within its 256 bytes, and hostile numbers must not be
// undefined behaviour.
#include <cstdint>
#include <cstring>
#include <vector>

#include "globals.h"
#include "online.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::vector<char> reply(data, data + size);
  reply.push_back('\0');
  extractPlayers(reply.data());
  for (const OnlineScore_t &row : OnlineScore)
    if (memchr(row.name, '\0', sizeof row.name) == nullptr)
      __builtin_trap();
  return 0;
}
