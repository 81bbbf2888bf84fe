// KResource: a read-only stream over a plain file or over one member of a
// registered tar archive (KResourceArchive). Depends on KMiscTools for the
// resource folder's path and the log, and on stdio for files. Owns its plain file; a
// member shares, and never closes, its archive's file.
#include "KResource.h"

#include <cctype>
#include <cstring>
#include <sys/stat.h>

#include "KMiscTools.h"
#include "KResourceArchive.h"

// ---- constants -------------------------------------------------------------

static const size_t kNameMax = 260; // name buffers: 259 characters and a NUL

KList<KResource> KResource::_lArchives;

// ---- file-local helpers ----------------------------------------------------

namespace {

void lowerCase(char *s) {
  for (; *s; s++)
    *s = (char)tolower((unsigned char)*s);
}

// Splits `filename` into the lower-cased path to try on disk when the name
// as passed is not there, and the member name to ask the archives for.
// Below the resource folder the folder's own path keeps its case, the rest
// is lower-cased, and the member name is that rest with backslashes.
// Elsewhere the whole path is lower-cased and the member name is the name
// as passed.
void splitName(const char *filename, char *lowerPlain, char *member) {
  char folder[kNameMax];
  strncpy(folder, KMiscTools::getCurrentPath(), kNameMax - 1);
  folder[kNameMax - 1] = 0;
  size_t folderLen = strlen(folder);

  char lowered[kNameMax];
  strcpy(lowered, filename);
  lowerCase(lowered);
  char loweredFolder[kNameMax];
  strcpy(loweredFolder, folder);
  lowerCase(loweredFolder);

  bool inside = folderLen > 0 && strncmp(lowered, loweredFolder, folderLen) == 0 &&
                (filename[folderLen] == '/' || filename[folderLen] == '\\');
  if (inside) {
    memcpy(lowerPlain, filename, folderLen);
    strcpy(lowerPlain + folderLen, lowered + folderLen);
    strcpy(member, lowered + folderLen + 1);
    for (char *p = member; *p; p++)
      if (*p == '/')
        *p = '\\';
  } else {
    strcpy(member, filename);
    strcpy(lowerPlain, lowered);
  }
}

} // namespace

// ---- KResource -------------------------------------------------------------

KResource::KResource()
    : _lpFile(nullptr), _bFileInArchive(false), _nMode(K_RES_CLOSED), _nBeginPos(0), _nSize(0), _nPos(0) {}

KResource::~KResource() { close(); }

// Opens a file, looking first into every registered archive, oldest first.
// A plain file is opened under the name as passed, else under its
// lower-cased form (game names are written in any case, files on disk are
// stored lower-case, but a player's own file or folder may have capitals).
KResourceResult KResource::open(const char *filename, KResourceMode mode) {
  if (!filename || strlen(filename) >= kNameMax)
    return K_RES_PARAM;
  char lowerPlain[kNameMax], member[kNameMax];
  splitName(filename, lowerPlain, member);

  if (_nMode != K_RES_CLOSED)
    return K_RES_STATE;
  if (mode != K_RES_READ)
    return K_RES_PARAM;

  // Archives were checked whole when registered; one that does not give
  // the member (nor, should its file have changed since, can read it)
  // passes the search on.
  for (KResource *archive = _lArchives.getHead(); archive; archive = _lArchives.getNext(archive)) {
    if (archive->openResource(member, this) == K_RES_OK)
      return K_RES_OK;
  }

  _lpFile = fopen(filename, "rb");
  if (!_lpFile && strcmp(lowerPlain, filename) != 0)
    _lpFile = fopen(lowerPlain, "rb");
  if (!_lpFile)
    return K_RES_NOTFOUND;
  _bFileInArchive = false;
  _nMode = K_RES_READ;
  _nBeginPos = 0;
  _nSize = 0;
  _nPos = 0;
  return K_RES_OK;
}

// Opens this resource as the `size` bytes of `archive` that start at the
// archive's current position.
KResourceResult KResource::open(KResource *archive, unsigned int size) {
  if (_nMode != K_RES_CLOSED || !archive || archive->_nMode != K_RES_READ)
    return K_RES_STATE;
  if (!archive->_lpFile)
    return K_RES_IOERR;
  long long pos = (long long)archive->_nBeginPos + archive->_nPos;
  if (pos < 0 || pos > 0xffffffffLL)
    return K_RES_IOERR;
  _lpFile = archive->_lpFile;
  _nMode = K_RES_READ;
  _bFileInArchive = true;
  _nBeginPos = (unsigned int)pos;
  _nSize = size;
  _nPos = 0;
  return K_RES_OK;
}

void KResource::close() {
  if (_nMode == K_RES_CLOSED && !_lpFile)
    return;
  if (_lpFile && !_bFileInArchive)
    fclose(_lpFile);
  _lpFile = nullptr;
  _bFileInArchive = false;
  _nMode = K_RES_CLOSED;
  _nBeginPos = 0;
  _nSize = 0;
  _nPos = 0;
}

// Moves the read position. For a member, K_RES_END counts `offset` back from
// the member's end; for a plain file it is added to the file's end. A
// position before the start is refused (K_RES_PARAM) and leaves it as it was;
// one past the end is kept, and reads from there fail.
KResourceResult KResource::seek(KResourceWhence whence, int offset) {
  if (_nMode != K_RES_READ)
    return K_RES_STATE;
  long long to;
  switch (whence) {
  case K_RES_BEGIN:
    to = offset;
    break;
  case K_RES_CURRENT:
    to = _nPos + offset;
    break;
  case K_RES_END:
    // Decided by membership rather than by a non-zero size, so that an
    // empty member ends where it begins instead of at the archive's end.
    if (_bFileInArchive) {
      to = (long long)_nSize - offset;
    } else {
      struct stat st;
      if (fstat(fileno(_lpFile), &st) != 0)
        return K_RES_IOERR;
      to = (long long)st.st_size + offset;
    }
    break;
  default:
    return K_RES_PARAM;
  }
  if (to < 0)
    return K_RES_PARAM;
  _nPos = to;
  return K_RES_OK;
}

// The read position, counted from the resource's first byte.
KResourceResult KResource::tell(int &position) {
  if (_nMode != K_RES_READ)
    return K_RES_STATE;
  position = (int)_nPos;
  return K_RES_OK;
}

// Reads exactly n bytes from this resource's own position; a short read, a
// read of nothing or, for a member, a read past its end is an error. Each
// resource keeps its own position, so members of one archive (which share
// its file) can be read alternately.
KResourceResult KResource::read(void *buffer, unsigned long n) {
  if (_nMode == K_RES_CLOSED)
    return K_RES_STATE;
  if (_nMode != K_RES_READ)
    return K_RES_MODE;
  if (n == 0 || !buffer)
    return K_RES_IOERR;
  if (_bFileInArchive && (_nPos > (long long)_nSize || n > (unsigned long long)(_nSize - _nPos)))
    return K_RES_IOERR;
  if (fseeko(_lpFile, (off_t)(_nBeginPos + _nPos), SEEK_SET) != 0)
    return K_RES_IOERR;
  size_t got = fread(buffer, 1, n, _lpFile);
  _nPos += (long long)got;
  return got == n ? K_RES_OK : K_RES_IOERR;
}

// Registers a tar archive; it stays open for the rest of the process. One
// whose headers or members run past its end is refused with K_RES_IOERR.
KResourceResult KResource::addArchive(const char *filename) {
  KResourceArchive *archive = new KResourceArchive();
  KResourceResult result = archive->open(filename);
  if (result == K_RES_OK)
    result = archive->checkHeaders();
  if (result != K_RES_OK) {
    delete archive;
    KLog::logFormat(kError, "cannot use the archive %s (resource result %d)", filename ? filename : "(null)",
                    (int)result);
    return result;
  }
  _lArchives.addToTail(archive);
  return K_RES_OK;
}

void KResource::removeAllArchives() {
  // Newest first, so an archive is closed before the one it lies in.
  while (KResource *archive = _lArchives.getHead()) {
    KResource *last = archive;
    for (KResource *a = archive; a; a = _lArchives.getNext(a))
      last = a;
    _lArchives.remove(last);
    delete last;
  }
}

KResourceResult KResource::openResource(const char *, KResource *) { return K_RES_STATE; }
