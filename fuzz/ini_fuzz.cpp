// The INI reader's look-ups over any text.
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "KIniReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz::quietEngine();
  // The first bytes name a section and a key (up to a newline each).
  std::string in(reinterpret_cast<const char *>(data), size);
  size_t a = in.find('\n');
  size_t b = a == std::string::npos ? a : in.find('\n', a + 1);
  std::string section = in.substr(0, a);
  std::string key = a == std::string::npos ? "" : in.substr(a + 1, b == std::string::npos ? b : b - a - 1);
  KIniReader ini;
  if (!ini.setIni(in.data(), (long)in.size()))
    return 0;
  char small[2], buffer[300];
  ini.getString(section.c_str(), key.c_str(), small, sizeof(small));
  ini.getString(section.c_str(), key.c_str(), buffer, sizeof(buffer));
  ini.getValue(section.c_str(), key.c_str(), 7);
  ini.getValue("GENERAL", "MaxQuestions", 0);
  return 0;
}
