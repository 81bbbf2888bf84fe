// KResourceArchive: a tar archive registered as a resource container. It
// finds a member by its path relative to the resource folder.
#ifndef KRESOURCEARCHIVE_H
#define KRESOURCEARCHIVE_H

#include "KResource.h"

class KResourceArchive : public KResource {
public:
  // Opens the tar file (itself possibly a member of an earlier archive).
  KResourceResult open(const char *filename);
  KResourceResult openResource(const char *name, KResource *res) override;
  // Walks every header once: K_RES_IOERR when a header or a member runs
  // past the archive's end, else K_RES_OK.
  KResourceResult checkHeaders();

private:
  KResourceResult walk(const char *wanted, KResource *res);
};

#endif
