// Stands in for the game client: records where it was started, then ends.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char directory[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof directory, directory);
  FILE* file = fopen("started.txt", "wb");
  if (file != nullptr) {
    fputs(directory, file);
    fclose(file);
  }
  return 0;
}
