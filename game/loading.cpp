// The loading screen shown while the question file is read: the studio logo
// on black and a line of text.
#include "loading.h"

#include "KGraphic.h"
#include "KWindow.h"
#include "globals.h"
#include "images.h"
#include "toolkit.h"

void RenderLoadingScreen() {
  ImageSlot &logo = IMG[SLOT_MAKER_LOGO];
  if (!logo.picture)
    LoadNewIMG(SLOT_MAKER_LOGO, "gfx\\bflogo.jpg");
  // Any picture can fill a rectangle; the logo's is at hand.
  if (logo.picture)
    logo.picture->drawRect(0, 0, 800, 600, 0, 0, 0, 1);
  DrawIMG(SLOT_MAKER_LOGO, 200, 150, DRAW_OPAQUE, 0, 1.0f, 1.0f);
  DrawCentred(ktext_small, "Loading data, please wait...", 380);
}

void DrawLoadingScreen() {
  if (!gameWindow)
    return;
  RenderLoadingScreen();
  gameWindow->flipBackBuffer(false, true);
}
