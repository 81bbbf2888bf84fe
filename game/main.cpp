// Trivello's entry point: engine tools, the preferences record, the random
// seed and the per-game values, in the order the game's start-up needs them.
#include <cstdio>
#include <cstdlib>

#include "KMiscTools.h"
#include "entry.h"
#include "globals.h"
#include "prefs.h"

int main() {
  KMiscTools::initMiscTools();
  KMiscTools::setFileSource(true);
  Timer = (int32_t)KMiscTools::getMilliseconds();
  ReadPrefs(KMiscTools::makeFilePath("prefs")); // a missing file leaves every preference 0
  srand(KMiscTools::getMilliseconds());
  GameInit();

  // The launcher and the game screens come next; until they exist the
  // program stops here and says so.
  fprintf(stderr, "Trivello: resources in %s\n", KMiscTools::getCurrentPath());
  fprintf(stderr, "Trivello: the launcher and game screens are not part of this build yet.\n");
  return 0;
}
