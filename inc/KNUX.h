// KNUX: the engine's factory for display objects. Every window, picture and
// mesh is allocated here and deleted by the caller through its virtual
// destructor.
#ifndef KNUX_H
#define KNUX_H

#include "KGraphic.h"
#include "KWindow.h"

class K3D;

class KNUX {
public:
  // A closed OpenGL window (the renderer argument is ignored).
  static KWindow *createKWindow(Erenderer renderer, bool use3D);
  // An empty picture.
  static KGraphic *createKGraphic();
  // A picture loaded with loadPicture(filename, true, true); returned
  // whatever the load's result.
  static KGraphic *createKGraphic(const char *filename);
  // An empty mesh object.
  static K3D *createK3D();

  static Erenderer _renderer; // declared for compatibility; nothing reads it
};

#endif
