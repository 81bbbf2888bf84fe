// The loading screen shown while the question file is read.
#ifndef TRIVELLO_LOADING_H
#define TRIVELLO_LOADING_H

// Draws the loading screen into the back buffer.
void RenderLoadingScreen();
// Draws it and shows it at once (nothing without a game window).
void DrawLoadingScreen();

#endif
