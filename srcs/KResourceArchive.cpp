// KResourceArchive: finds a member of a classic tar archive by its path and
// opens it as a KResource sharing the archive's file. Depends on KResource;
// owns nothing beyond what KResource owns.
#include "KResourceArchive.h"

#include <cstring>
#include <sys/stat.h>

// ---- constants -------------------------------------------------------------

static const size_t kNameMax = 260;
static const unsigned kBlock = 512;

// The fields of a tar header block that the search reads.
struct TarHeader {
  char name[100];
  char mode[8];
  char uid[8];
  char gid[8];
  char size[12];
  char mtime[12];
  char chksum[8];
  char linkflag;
  char linkname[100];
  char magic[8];
  char uname[32];
  char gname[32];
  char devmajor[8];
  char devminor[8];
  char pad[167];
};
static_assert(sizeof(TarHeader) == kBlock, "a tar header is one 512-byte block");

// ---- file-local helpers ----------------------------------------------------

namespace {

// Octal digits after optional blanks; stops at the first other character.
unsigned long long parseOctal(const char *field, size_t len) {
  size_t i = 0;
  while (i < len && field[i] == ' ')
    i++;
  unsigned long long value = 0;
  for (; i < len && field[i] >= '0' && field[i] <= '7'; i++)
    value = value * 8 + (unsigned)(field[i] - '0');
  return value;
}

bool allZero(const unsigned char *bytes, size_t n) {
  for (size_t i = 0; i < n; i++)
    if (bytes[i])
      return false;
  return true;
}

} // namespace

// ---- KResourceArchive ------------------------------------------------------

KResourceResult KResourceArchive::open(const char *filename) { return KResource::open(filename, K_RES_READ); }

// Walks the archive's headers from its start until the member `name` (a path
// with backslashes or slashes) is found, the closing zero block is reached,
// or the archive ends.
KResourceResult KResourceArchive::openResource(const char *name, KResource *res) {
  if (!name || strlen(name) >= kNameMax)
    return K_RES_PARAM;
  char wanted[kNameMax];
  strcpy(wanted, name);
  for (char *p = wanted; *p; p++)
    if (*p == '\\')
      *p = '/';
  return walk(wanted, res);
}

// Walks every header once: K_RES_OK when the archive ends cleanly (its
// zero block, or the file's end between members), K_RES_IOERR when a
// header or a member runs past its end.
KResourceResult KResourceArchive::checkHeaders() {
  KResourceResult r = walk(nullptr, nullptr);
  return r == K_RES_NOTFOUND ? K_RES_OK : r;
}

// The header walk: opens the regular member named `wanted` into `res`, or
// with no name walks to the end (K_RES_NOTFOUND) or the first fault.
KResourceResult KResourceArchive::walk(const char *wanted, KResource *res) {
  KResourceResult r = seek(K_RES_BEGIN, 0);
  if (r != K_RES_OK)
    return r;

  // Where the archive's bytes end: a member past it would be read from
  // beyond the archive, so the search stops there with an error.
  unsigned long long end;
  if (_bFileInArchive) {
    end = (unsigned long long)_nBeginPos + _nSize;
  } else {
    struct stat st;
    if (fstat(fileno(_lpFile), &st) != 0)
      return K_RES_IOERR;
    end = (unsigned long long)st.st_size;
  }

  for (;;) {
    // A clean end of the file between members ends the archive like the
    // closing zero block; a header cut short is corruption.
    if ((unsigned long long)_nBeginPos + _nPos == end)
      return K_RES_NOTFOUND;
    TarHeader header;
    r = read(&header, sizeof(header));
    if (r != K_RES_OK)
      return r;
    if (allZero(reinterpret_cast<const unsigned char *>(&header), sizeof(header)))
      return K_RES_NOTFOUND;
    unsigned long long size = parseOctal(header.size, sizeof(header.size));
    unsigned long long here = (unsigned long long)_nBeginPos + _nPos;
    if (size > 0xffffffffull || here + size > end)
      return K_RES_IOERR;
    if (wanted && (header.linkflag == 0 || header.linkflag == '0') &&
        strncmp(header.name, wanted, sizeof(header.name)) == 0)
      return res->open(this, (unsigned int)size);
    unsigned long long skip = (size + kBlock - 1) / kBlock * kBlock;
    if (here + skip > end)
      return K_RES_IOERR;
    _nPos += (long long)skip;
  }
}
