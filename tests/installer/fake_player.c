/* Stands in for a running player during the installer tests: a hidden
 * top-level window of the player's main window class. Prints "ready" once
 * the window exists and ends when its standard input reaches end of file, or
 * after the number of seconds given as its argument (default 120), so a test
 * that dies cannot leave it behind for long. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

static const char PlayerClass[] = "Winamp v1.x";

static DWORD WINAPI WaitForEndOfInput(LPVOID mainThread) {
  char buffer[64];
  DWORD got = 0;
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  while (ReadFile(input, buffer, sizeof buffer, &got, NULL) && got > 0) {
  }
  PostThreadMessageA((DWORD)(UINT_PTR)mainThread, WM_QUIT, 0, 0);
  return 0;
}

int main(int argc, char** argv) {
  const UINT seconds = argc > 1 ? (UINT)atoi(argv[1]) : 120;
  WNDCLASSA windowClass = {0};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(NULL);
  windowClass.lpszClassName = PlayerClass;
  if (!RegisterClassA(&windowClass)) {
    fprintf(stderr, "RegisterClassA failed: %lu\n", GetLastError());
    return 1;
  }
  HWND window = CreateWindowExA(0, PlayerClass, "fake player", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                NULL, NULL, windowClass.hInstance, NULL);
  if (!window) {
    fprintf(stderr, "CreateWindowExA failed: %lu\n", GetLastError());
    return 1;
  }
  /* A thread-message timer: its WM_TIMER carries no window. */
  SetTimer(NULL, 0, seconds * 1000, NULL);
  MSG message;
  PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE); /* the queue exists before the reader posts */
  HANDLE reader = CreateThread(NULL, 0, WaitForEndOfInput, (LPVOID)(UINT_PTR)GetCurrentThreadId(), 0, NULL);
  if (!reader) {
    fprintf(stderr, "CreateThread failed: %lu\n", GetLastError());
    DestroyWindow(window);
    return 1;
  }
  printf("ready\n");
  fflush(stdout);
  while (GetMessageA(&message, NULL, 0, 0) > 0 && message.message != WM_TIMER) {
    DispatchMessageA(&message);
  }
  DestroyWindow(window);
  CloseHandle(reader);
  return 0;
}
