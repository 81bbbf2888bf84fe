// The loading screen shown while the question file is read: the studio logo
// on black and a line of text.
#include "loading.h"

#include "KGraphic.h"
#include "KText.h"
#include "KWindow.h"
#include "globals.h"
#include "images.h"

void RenderLoadingScreen() {
  if (!IMG[7].picture)
    LoadNewIMG(7, "gfx\\bflogo.jpg");
  // Any picture can fill a rectangle; the logo's is at hand.
  if (IMG[7].picture)
    IMG[7].picture->drawRect(0, 0, 800, 600, 0, 0, 0, 1);
  DrawIMG(7, 200, 150, 1, 0, 1.0f, 1.0f);
  if (ktext_small)
    ktext_small->drawStringCentered("Loading data, please wait...", 0, 800, 380, 0);
}

void DrawLoadingScreen() {
  if (!gameWindow)
    return;
  RenderLoadingScreen();
  gameWindow->flipBackBuffer(false, true);
}
