// STUB: to be written.
#include <cstdio>

int main() {
  std::fputs("zlb: not implemented\n", stderr);
  return 1;
}
