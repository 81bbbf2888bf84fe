// The screens' shared toolkit (see toolkit.h): buttons, pointers, sound
// effects, music, key presses and the wait for a button's release.
#include "toolkit.h"

#include <initializer_list>

#include "KGraphic.h"
#include "KMiscTools.h"
#include "KNUX.h"
#include "KSound.h"
#include "KText.h"
#include "KWindow.h"

#include "clock.h"
#include "globals.h"
#include "images.h"

namespace {

// Creates, loads and plays a looping music stream into SND[index].
void StartMusic(int index, const char *file) {
  if (SND[index])
    return;
  SND[index] = new KSound();
  SND[index]->loadStream(KMiscTools::makeFilePath(file));
  SND[index]->playStream(true);
}

KSound *NewSample(const char *file) {
  KSound *s = new KSound();
  s->loadSample(KMiscTools::makeFilePath(file), 100, false, 1);
  return s;
}

KGraphic *NewPointer(const char *file) {
  KGraphic *g = KNUX::createKGraphic();
  if (g && !g->loadPicture(KMiscTools::makeFilePath(file), true, true)) {
    delete g;
    g = nullptr;
  }
  return g;
}

void FreePicture(KGraphic *&g) {
  delete g;
  g = nullptr;
}

void FreeSample(KSound *&s) {
  delete s;
  s = nullptr;
}

const char *g_notice = nullptr; // shown from g_noticeStamp on
int32_t g_noticeStamp = 0;

bool g_keyWasDown[K_VK_ERROR + 1];

} // namespace

void SetGUIButton(short index, short srcX, short srcY, short width, short height, short x, short y, short state,
                  short drawMode, short image) {
  if (index < 0 || index >= MAX_BUTTONS)
    return;
  GUIButton[index] = GuiButton{srcX, srcY, width, height, x, y, state, drawMode, image};
}

void Show_But() {
  ButtDown = KInput::getLeftButtonState() ? 1 : 0;
  if (CUR_BUT <= 0 || CUR_BUT >= MAX_BUTTONS)
    return;
  const GuiButton &b = GUIButton[CUR_BUT];
  if (b.state <= 0)
    return;
  if (b.drawMode == DRAW_OPAQUE)
    BlitIMG(b.image, b.srcX, b.srcY, b.srcX + b.width, b.srcY + b.height, b.x, b.y);
  else if (b.drawMode == DRAW_ALPHA)
    BlitIMGAlpha(b.image, b.srcX, b.srcY, b.srcX + b.width, b.srcY + b.height, b.x, b.y);
}

void DrawCentred(KText *font, const char *text, long y, long kerning) {
  if (font)
    font->drawStringCentered(text, 0, kScreenWidth, y, kerning);
}

void ShowNotice(const char *text) {
  g_notice = text;
  g_noticeStamp = Now();
}

const char *NoticeText() {
  if (g_notice != nullptr && ElapsedMs(g_noticeStamp) < kNoticeMs)
    return g_notice;
  g_notice = nullptr;
  return nullptr;
}

bool Inside(float px, float py, float x1, float y1, float x2, float y2) {
  return x1 <= px && px <= x2 && y1 <= py && py <= y2;
}

void LoadPointer() {
  surf_Pointer = NewPointer("gfx\\pointer.tga");
  surf_Pointer2 = NewPointer("gfx\\Pointer2.tga");
  surf_PointerS = NewPointer("gfx\\Pointer_s.tga");
}

void freePointer() {
  FreePicture(surf_Pointer);
  FreePicture(surf_Pointer2);
  FreePicture(surf_PointerS);
}

void DrawPointer(int16_t x, int16_t y) {
  if (surf_PointerS)
    surf_PointerS->blitAlphaRectFx(0, 0, 32, 32, x + 2, y + 2, 0, 1.0f, 0.5f, false, false, 0, 0);
  KGraphic *pointer = CUR_BUT > 0 ? surf_Pointer2 : surf_Pointer;
  if (pointer)
    pointer->blitAlphaRect(0, 0, 32, 32, x, y, false, false);
}

void LoadSounds() {
  snd_Click = NewSample("snd\\click.ogg");
  snd_Over = NewSample("snd\\over.ogg");
  snd_Clap = NewSample("snd\\clap.ogg");
  snd_Clear = NewSample("snd\\newlife.ogg");
  snd_Swirl = NewSample("snd\\time.ogg");
  snd_Pop = NewSample("snd\\Pop.wav");
  snd_Set = NewSample("snd\\Set.wav");
  snd_Move = NewSample("snd\\Move.wav");
  snd_Levelup = NewSample("snd\\Levelup.ogg");
  KSound::setGlobalVolumes(GV.musicVolume, GV.sfxVolume); // as read from "prefs" at start-up
}

void FreeSounds() {
  for (KSound **s :
       {&snd_Click, &snd_Over, &snd_Clap, &snd_Clear, &snd_Swirl, &snd_Pop, &snd_Set, &snd_Move, &snd_Levelup})
    FreeSample(*s);
}

void (*g_soundObserver)(KSound *sound) = nullptr;

void PlaySound(KSound *sound) {
  if (g_soundObserver)
    g_soundObserver(sound);
  if (sound)
    sound->playSample();
}

void StartTitleMusic() {
  StopMusic(MUSIC_GAME);
  if (SND[MUSIC_TITLE])
    return;
  StartMusic(MUSIC_TITLE, "snd\\Main.ogg");
  KSound::setGlobalVolumes(GV.musicVolume, GV.sfxVolume);
}

void StartGameMusic() {
  StopMusic(MUSIC_TITLE);
  StartMusic(MUSIC_GAME, "snd\\theme.ogg");
}

void StopMusic(int index) {
  if (index < 0 || index >= MAX_SOUNDS)
    return;
  FreeSample(SND[index]);
}

void FreeMusic() {
  for (int i = 0; i < MAX_SOUNDS; i++)
    StopMusic(i);
}

void FreeImageSlots(int from) {
  for (int i = from < 0 ? 0 : from; i < MAX_IMAGES; i++)
    FreeIMG(i);
}

void waitForMouseButton(KWindow *window) {
  for (;;) {
    if (window)
      window->processEvents();
    if (!KInput::getLeftButtonState())
      return;
    if (!window || window->isQuit())
      return;
    KMiscTools::getClock()->sleep(1);
  }
}

KWindow *ScreenWindow() { return CUR_SCR == SCREEN_LAUNCHER ? launchWindow : gameWindow; }

bool KeyHit(EKeyboardLayout key) {
  if (key < 0 || key > K_VK_ERROR)
    return false;
  bool down = KInput::isPressed(key);
  bool hit = down && !g_keyWasDown[key];
  g_keyWasDown[key] = down;
  return hit;
}
