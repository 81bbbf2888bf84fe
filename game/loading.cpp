// The loading screen shown while the question file is read.
// It is drawn once the game window and the small font exist.
void DrawLoadingScreen() {}
