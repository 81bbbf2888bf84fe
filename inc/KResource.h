// KResource: a read-only byte stream over a plain file or over one member of
// a registered tar archive. Loaders open a resource by path, then seek, tell
// and read without knowing where the bytes come from. Archives registered
// with addArchive are searched, oldest first, before the plain file system.
#ifndef KRESOURCE_H
#define KRESOURCE_H

#include <cstdio>

#include "KList.h"
#include "KObjectListable.h"

enum KResourceMode { K_RES_CLOSED = 0, K_RES_READ = 1000 };

enum KResourceWhence { K_RES_BEGIN = 0, K_RES_CURRENT = 1, K_RES_END = 2 };

enum KResourceResult {
  K_RES_OK = 0,
  K_RES_STATE = 100, // wrong state: already open, not open, or no member support
  K_RES_MODE = 101,  // read on a resource opened in another mode
  K_RES_PARAM = 102, // bad open mode, seek origin or name
  K_RES_NOMEM = 103,
  K_RES_NOTFOUND = 104, // no such file, nor member in any archive
  K_RES_CREATERR = 105,
  K_RES_IOERR = 106, // 0-byte, short or past-the-member read; archive without a file; corrupt archive
  K_RES_BADFMT = 107,
};

class KResource : public KObjectListable {
public:
  KResource();
  ~KResource() override;
  // A copy would close the same file twice.
  KResource(const KResource &) = delete;
  KResource &operator=(const KResource &) = delete;

  // Opens an archive member or a plain file by path; the plain file under
  // the name as passed first, then under its lower-cased form.
  KResourceResult open(const char *filename, KResourceMode mode);
  // Opens this resource as the member of `archive` that starts at the
  // archive's current file position and is `size` bytes long.
  KResourceResult open(KResource *archive, unsigned int size);
  void close();
  KResourceResult seek(KResourceWhence whence, int offset);
  KResourceResult tell(int &position);
  KResourceResult read(void *buffer, unsigned long n);

  // Registers a tar archive as a container searched by every later open.
  // Its headers are walked once: one whose headers or members run past its
  // end is refused (K_RES_IOERR) and nothing is registered.
  static KResourceResult addArchive(const char *filename);
  // Unregisters and closes every archive (used by tests; the game never
  // removes an archive).
  static void removeAllArchives();

  // Asks a container to open one of its members into `res`. A plain
  // resource is no container and answers K_RES_STATE.
  virtual KResourceResult openResource(const char *name, KResource *res);

  FILE *_lpFile;           // plain file, or the archive's shared file for a member
  bool _bFileInArchive;    // this resource is a member of an archive
  KResourceMode _nMode;    // K_RES_CLOSED or K_RES_READ
  unsigned int _nBeginPos; // offset of the first data byte in _lpFile
  unsigned int _nSize;     // member size in bytes; 0 for a plain file
  long long _nPos;         // this resource's read position, from _nBeginPos

  static KList<KResource> _lArchives; // registered archives, oldest first
};

#endif
