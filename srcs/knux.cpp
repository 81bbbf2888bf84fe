// KNUX: the engine's factory for windows, pictures and meshes.
#include "KNUX.h"

#include "K3D.h"
#include "KGraphicGL.h"
#include "KWindowGL.h"

Erenderer KNUX::_renderer = K_OPENGL;

// A closed OpenGL window; the renderer argument is ignored.
KWindow *KNUX::createKWindow(Erenderer, bool use3D) {
  if (use3D)
    return new KWindowGL(true);
  return new KWindowGL();
}

KGraphic *KNUX::createKGraphic() { return new KGraphicGL(); }

// A picture loaded from the file; returned whatever the load's result.
KGraphic *KNUX::createKGraphic(const char *filename) {
  KGraphicGL *picture = new KGraphicGL();
  picture->loadPicture(filename, true, true);
  return picture;
}

// An empty mesh object.
K3D *KNUX::createK3D() { return new K3D(); }
