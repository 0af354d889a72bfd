// The control of the planted-DLL tests: loads the DLL named by its argument the way a
// program without any precaution does (by name alone), so the planted DLL beside it runs.
#include <windows.h>

int main(int argc, char** argv) {
  return argc > 1 && LoadLibraryA(argv[1]) ? 0 : 1;
}
