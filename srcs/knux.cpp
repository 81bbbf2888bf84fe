// KNUX: the engine's factory for windows, pictures and meshes.
#include "KNUX.h"

#include "KGraphicGL.h"
#include "KWindowGL.h"

#if __has_include("K3D.h")
#include "K3D.h"
#define KNUX_HAVE_K3D 1
#endif

Erenderer KNUX::_renderer = K_OPENGL;

// A closed OpenGL window; the renderer argument is ignored.
KWindow *KNUX::createKWindow(Erenderer, bool use3D)
{
  if (use3D)
    return new KWindowGL(true);
  return new KWindowGL();
}

KGraphic *KNUX::createKGraphic() { return new KGraphicGL(); }

// A picture loaded from the file; returned whatever the load's result.
KGraphic *KNUX::createKGraphic(const char *filename)
{
  KGraphicGL *picture = new KGraphicGL();
  picture->loadPicture(filename, true, true);
  return picture;
}

K3D *KNUX::createK3D()
{
#ifdef KNUX_HAVE_K3D
  return new K3D();
#else
  return nullptr;
#endif
}
