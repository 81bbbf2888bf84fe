// Trivello's entry point.
#include <cstdio>

int main() {
  fprintf(stderr, "trivello: the game window is not built yet\n");
  return 0;
}
