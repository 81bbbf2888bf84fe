// Display benchmark: 1,000 paced frames of the 800 x 600 game window, each
// drawing a full-window picture and 300 glyph-sized alpha blits, as a text
// heavy game screen does. Reports frames per second, the 99th percentile of
// the frame interval and the CPU time as a share of wall time.
// Run under Xvfb: xvfb-run -a -s "-screen 0 1280x1024x24" bench_display_bench
#include <sys/resource.h>

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "KGraphic.h"
#include "KMiscTools.h"
#include "KNUX.h"
#include "KWindow.h"

static void printMessage(const char *title, const char *text) {
  fprintf(stderr, "message: %s: %s\n", title ? title : "", text ? text : "");
}

static double cpuSeconds() {
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 + ru.ru_stime.tv_sec + ru.ru_stime.tv_usec / 1e6;
}

int main() {
  const int kFrames = 1000;
  const int kGlyphs = 300;
  KMiscTools::setMessageBoxHandler(&printMessage);

  KWindow *window = KNUX::createKWindow(K_OPENGL, false);
  if (!window->createGameWindow(800, 600, 16, true, "display bench")) {
    fprintf(stderr, "no window\n");
    return 1;
  }

  // The background: an 800 x 600 picture (a rectangle texture).
  std::vector<uint32_t> back(800 * 600);
  for (int y = 0; y < 600; y++)
    for (int x = 0; x < 800; x++)
      back[y * 800 + x] = 0xFF000000u | (uint32_t)((x & 0xFF) | ((y & 0xFF) << 8));
  KGraphic *background = KNUX::createKGraphic();
  background->makePictureFromArray(back.data(), 800, 600, true, false);

  // A 256 x 256 "font" picture with 16 x 16 glyph cells, half transparent.
  std::vector<uint32_t> font(256 * 256);
  for (int i = 0; i < 256 * 256; i++)
    font[i] = ((i / 256 + i) & 8) ? 0xFFFFFFFFu : 0x00000000u;
  KGraphic *glyphs = KNUX::createKGraphic();
  glyphs->makePictureFromArray(font.data(), 256, 256, true, false);
  glyphs->setTextureQuality(true);

  // Settle one frame before measuring.
  window->setWorldView(0, 0, 0, 1.0f, true);
  window->flipBackBuffer(false, true);

  // The full frames, then the same pacing with nothing drawn: the second
  // shows what the wait itself costs, apart from drawing (which Mesa does in
  // software under Xvfb).
  for (bool draw : {true, false}) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> intervals;
    intervals.reserve(kFrames);
    double cpuStart = cpuSeconds();
    Clock::time_point start = Clock::now(), last = start;
    for (int frame = 0; frame < kFrames && !window->isQuit(); frame++) {
      window->setWorldView(0, 0, 0, 1.0f, true);
      if (draw) {
        background->blitRect(0, 0, 800, 600, 0, 0, false, false);
        for (int i = 0; i < kGlyphs; i++) {
          int cell = (i * 7 + frame) & 255;
          float sx = (float)((cell & 15) * 16), sy = (float)((cell >> 4) * 16);
          glyphs->blitAlphaRect(sx, sy, sx + 16, sy + 16, (short)(20 + (i % 30) * 25), (short)(40 + (i / 30) * 50),
                                false, false);
        }
      }
      window->flipBackBuffer(false, true);
      Clock::time_point now = Clock::now();
      intervals.push_back(std::chrono::duration<double, std::milli>(now - last).count());
      last = now;
    }
    double wall = std::chrono::duration<double>(Clock::now() - start).count();
    double cpu = cpuSeconds() - cpuStart;

    std::vector<double> sorted = intervals;
    std::sort(sorted.begin(), sorted.end());
    double p99 = sorted[(size_t)(sorted.size() * 0.99) - 1];
    double p50 = sorted[sorted.size() / 2];
    printf("%s\n", draw ? "picture and 300 blits a frame:" : "pacing only, nothing drawn:");
    printf("  frames: %zu\n", intervals.size());
    printf("  frames per second: %.2f\n", intervals.size() / wall);
    printf("  frame interval: median %.2f ms, p99 %.2f ms, max %.2f ms\n", p50, p99, sorted.back());
    printf("  CPU time: %.1f%% of wall time (one core = 100%%)\n", 100.0 * cpu / wall);
  }
  printf("renderer: %s\n", (const char *)glGetString(GL_RENDERER));

  delete glyphs;
  delete background;
  delete window;
  return 0;
}
