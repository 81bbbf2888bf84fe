// KIniReader: the text of one INI file in memory and look-ups of values by
// section and key. Depends on KResource (files and archive members). Owns
// the loaded text.
//
// Matching rules, which the question files rely on: a look-up finds the first
// "[section]" anywhere in the text (even inside an earlier value), then the
// first "key=" anywhere after it (not bounded by the next section, and
// matching as a substring, so "SubText=" answers "Text"); the value runs to
// the line end. There is no trimming and no comment syntax.
//
// The plain search re-reads the text from its start for every look-up, which
// is quadratic over a question file of 2000 records. So, once per loaded
// text, the reader indexes the first position of every bracketed name; the
// index gives exactly the plain search's answer for any name without
// brackets, and the plain search answers the rest.
#include "KIniReader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "KResource.h"

// ---- constants -------------------------------------------------------------

static const size_t kPatternMax = 256; // section and key patterns are cut to 255 characters

// ---- file-local helpers ----------------------------------------------------

// Writes prefix, name and suffix into a kPatternMax buffer, cut to 255
// characters as a formatted "[%s]" or "%s=" would be; returns the length.
static size_t makePattern(char *out, const char *prefix, const char *name, const char *suffix) {
  size_t n = 0;
  for (const char *part : {prefix, name, suffix})
    for (const char *p = part; *p && n < kPatternMax - 1; p++)
      out[n++] = *p;
  out[n] = 0;
  return n;
}

// ---- KIniReader ------------------------------------------------------------

KIniReader::KIniReader() : memIni(nullptr), memIniLen(0), _indexed(true) { iniFilename[0] = 0; }

KIniReader::~KIniReader() { freeText(); }

void KIniReader::freeText() {
  free(memIni);
  memIni = nullptr;
  memIniLen = 0;
  _sectionIndex.clear();
}

// Loads the whole of a file through a resource stream.
bool KIniReader::setIni(const char *iniFile) {
  if (!iniFile) {
    freeText();
    return false;
  }
  // A name the buffer cannot hold is cut (the stream refuses it anyway).
  // Reloading by passing iniFilename itself must not copy it onto itself.
  if (iniFile != iniFilename)
    snprintf(iniFilename, sizeof(iniFilename), "%s", iniFile);

  // The old text goes once the name has been used: it may lie inside it.
  KResource res;
  KResourceResult opened = res.open(iniFile, K_RES_READ);
  freeText();
  if (opened != K_RES_OK)
    return false;
  int size = 0;
  if (res.seek(K_RES_END, 0) != K_RES_OK || res.tell(size) != K_RES_OK || size <= 0)
    return false;
  res.seek(K_RES_BEGIN, 0);
  char *text = (char *)malloc((size_t)size + 1);
  if (!text)
    return false;
  if (res.read(text, (unsigned long)size) != K_RES_OK) {
    // The size was measured, so a short read means the file changed or the
    // device failed: keep nothing rather than half a file.
    free(text);
    return false;
  }
  text[size] = 0;
  memIni = text;
  memIniLen = size;
  buildIndex();
  return true;
}

// Takes a copy of text held in memory.
bool KIniReader::setIni(const char *iniFile, long datalength) {
  // The length is held as a signed 32-bit count.
  if (!iniFile || datalength < 0 || datalength > INT32_MAX) {
    freeText();
    return false;
  }
  // Copied before the old text is freed, so the reader may be given its own
  // text back.
  char *text = (char *)malloc((size_t)datalength + 1);
  if (text)
    memcpy(text, iniFile, (size_t)datalength);
  freeText();
  if (!text)
    return false;
  text[datalength] = 0;
  memIni = text;
  memIniLen = (int32_t)datalength;
  buildIndex();
  return true;
}

void KIniReader::setIndexed(bool indexed) { _indexed = indexed; }

// Records, for every '[' whose next ']' comes before any other '[', the name
// between them at its first position. That is exactly where strstr finds
// "[name]" for a name without brackets. The search text ends at the first
// NUL, as strstr's does.
void KIniReader::buildIndex() {
  _sectionIndex.clear();
  if (!memIni)
    return;
  long open = -1;
  for (long i = 0; memIni[i]; i++) {
    if (memIni[i] == '[') {
      open = i;
    } else if (memIni[i] == ']' && open >= 0) {
      _sectionIndex.emplace(std::string(memIni + open + 1, (size_t)(i - open - 1)), (size_t)open);
      open = -1;
    }
  }
}

// First occurrence of the section pattern "[name]" in the text, or null.
const char *KIniReader::findSection(const char *pattern, size_t patternLen) const {
  bool answerable = _indexed && patternLen >= 2 && pattern[patternLen - 1] == ']' &&
                    memchr(pattern + 1, '[', patternLen - 2) == nullptr &&
                    memchr(pattern + 1, ']', patternLen - 2) == nullptr;
  if (!answerable)
    return strstr(memIni, pattern);
  auto it = _sectionIndex.find(std::string(pattern + 1, patternLen - 2));
  return it == _sectionIndex.end() ? nullptr : memIni + it->second;
}

bool KIniReader::getString(const char *section, const char *variable, char *buffer, long bufferlen) {
  if (bufferlen < 2 || !buffer)
    return false;
  memset(buffer, 0, (size_t)bufferlen);
  if (!memIni || !section || !variable)
    return false;

  char pattern[kPatternMax];
  size_t patternLen = makePattern(pattern, "[", section, "]");
  const char *found = findSection(pattern, patternLen);
  if (!found)
    return false;

  patternLen = makePattern(pattern, "", variable, "=");
  const char *key = strstr(found, pattern);
  if (!key)
    return false;

  const char *value = key + patternLen;
  size_t len = strcspn(value, "\r\n");
  if (len > (size_t)bufferlen - 1)
    len = (size_t)bufferlen - 1;
  memcpy(buffer, value, len);
  buffer[len] = 0;
  return true;
}

int32_t KIniReader::getValue(const char *section, const char *variable, long defaultValue) {
  if (!memIni)
    return 0;
  char buffer[256];
  if (!getString(section, variable, buffer, sizeof(buffer)))
    return (int32_t)defaultValue;
  // As atoi reads it, but a number beyond 32 bits saturates instead of
  // wrapping (4294967297 would otherwise read as 1).
  long long value = strtoll(buffer, nullptr, 10);
  if (value > INT32_MAX)
    return INT32_MAX;
  if (value < INT32_MIN)
    return INT32_MIN;
  return (int32_t)value;
}
