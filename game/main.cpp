// Trivello's entry point: the whole program lives in the game library, so
// that tests and benchmarks can run it too.
#include "entry.h"

int main() { return TrivelloMain(); }
