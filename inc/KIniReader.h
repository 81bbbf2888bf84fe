// KIniReader: holds the text of one INI file and answers look-ups of a value
// by section and key with plain substring searches over the raw text (see
// KIniReader.cpp for the exact matching rules the question files rely on).
#ifndef KINIREADER_H
#define KINIREADER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

class KIniReader {
public:
  KIniReader();
  ~KIniReader();
  KIniReader(const KIniReader &) = delete;
  KIniReader &operator=(const KIniReader &) = delete;

  // Loads the text of a file (plain or inside a registered archive).
  bool setIni(const char *iniFile);
  // Takes a copy of `datalength` bytes of text from memory.
  bool setIni(const char *iniFile, long datalength);
  // Copies the value of `variable` in `section` into `buffer`, cut to
  // bufferlen - 1 characters. False when not found.
  bool getString(const char *section, const char *variable, char *buffer, long bufferlen);
  // The value read as a decimal integer; defaultValue when the key is not
  // found, 0 when no text is loaded.
  int32_t getValue(const char *section, const char *variable, long defaultValue);

  // Turns the section-header index on or off (on by default). Off, every
  // look-up searches the text from its start; both give the same answers.
  void setIndexed(bool indexed);

  char iniFilename[260]; // name of the file last given to setIni
  char *memIni;          // the loaded text followed by a NUL, or null
  int32_t memIniLen;     // length of the text without the NUL

private:
  void freeText();
  void buildIndex();
  const char *findSection(const char *pattern, size_t patternLen) const;

  bool _indexed;
  // First position of every bracketed "[name]" in the text (names without
  // brackets), keyed by name: the answer the plain search would find.
  std::unordered_map<std::string, size_t> _sectionIndex;
};

#endif
