// Loads the DLL its argument names as a program without any precaution does: by name alone.
#include <windows.h>

int main(int argc, char** argv) { return argc > 1 && LoadLibraryA(argv[1]) ? 0 : 1; }
