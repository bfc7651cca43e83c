/* Looks at and drives another program's windows, for the Windows end-to-end
 * tests under Wine.
 *
 *   wintool find TITLE [TIMEOUT_MS]   wait for a visible top-level window with
 *                                     this title and print its geometry
 *   wintool close TITLE               post WM_CLOSE to it
 *   wintool key TITLE window|focus VK post WM_KEYDOWN/WM_KEYUP with the virtual
 *                                     key (decimal or 0x..) to the window itself
 *                                     or to its focused child
 *   wintool gone TITLE [TIMEOUT_MS]   wait until no such window exists
 *
 * find prints lines "name value...", rectangles as left top right bottom in
 * screen coordinates:
 *   window L T R B / client L T R B / style 0x... / exstyle 0x...
 *   class NAME / child L T R B / child-style 0x... / focus-is-child 0|1
 *   text T (one line for each child window that has a text)
 * Exit code 0 on success, 1 when the window is not there, 2 on bad usage. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static HWND find_window(const wchar_t* title) {
  HWND w = FindWindowW(NULL, title);
  return (w && IsWindowVisible(w)) ? w : NULL;
}

static HWND wait_window(const wchar_t* title, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  for (;;) {
    HWND w = find_window(title);
    if (w) return w;
    if (GetTickCount() - start >= timeout_ms) return NULL;
    Sleep(20);
  }
}

static void print_rect(const char* name, RECT r) {
  printf("%s %ld %ld %ld %ld\n", name, (long)r.left, (long)r.top, (long)r.right, (long)r.bottom);
}

static BOOL CALLBACK print_child_text(HWND child, LPARAM unused) {
  (void)unused;
  wchar_t text[512];
  char utf8[1024];
  if (GetWindowTextW(child, text, 512) > 0 &&
      WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL) > 0) {
    for (char* p = utf8; *p; ++p) {
      if (*p == '\n' || *p == '\r') *p = ' ';
    }
    printf("text %s\n", utf8);
  }
  return TRUE;
}

static int cmd_find(HWND w) {
  RECT outer, client;
  GetWindowRect(w, &outer);
  GetClientRect(w, &client);
  MapWindowPoints(w, HWND_DESKTOP, (POINT*)&client, 2);
  char class_name[256];
  if (GetClassNameA(w, class_name, sizeof class_name) > 0) printf("class %s\n", class_name);
  print_rect("window", outer);
  print_rect("client", client);
  printf("style 0x%08lx\n", (unsigned long)GetWindowLongW(w, GWL_STYLE));
  printf("exstyle 0x%08lx\n", (unsigned long)GetWindowLongW(w, GWL_EXSTYLE));
  HWND child = GetWindow(w, GW_CHILD);
  /* The first child in creation order is the last in z-order below the top. */
  HWND first = child;
  for (HWND c = child; c; c = GetWindow(c, GW_HWNDNEXT)) first = c;
  if (first) {
    RECT r;
    GetWindowRect(first, &r);
    print_rect("child", r);
    printf("child-style 0x%08lx\n", (unsigned long)GetWindowLongW(first, GWL_STYLE));
    printf("child-visible %d\n", IsWindowVisible(first) ? 1 : 0);
  }
  GUITHREADINFO gui;
  memset(&gui, 0, sizeof gui);
  gui.cbSize = sizeof gui;
  DWORD thread = GetWindowThreadProcessId(w, NULL);
  if (GetGUIThreadInfo(thread, &gui)) {
    printf("focus-is-child %d\n", (gui.hwndFocus && gui.hwndFocus != w) ? 1 : 0);
  }
  EnumChildWindows(w, print_child_text, 0);
  return 0;
}

static int cmd_key(HWND w, const char* target, const char* key) {
  UINT vk = (UINT)strtoul(key, NULL, 0);
  HWND to = w;
  if (strcmp(target, "focus") == 0) {
    GUITHREADINFO gui;
    memset(&gui, 0, sizeof gui);
    gui.cbSize = sizeof gui;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(w, NULL), &gui) && gui.hwndFocus) {
      to = gui.hwndFocus;
    }
  } else if (strcmp(target, "child") == 0) {
    HWND c = GetWindow(w, GW_CHILD);
    if (c) to = c;
  }
  UINT scan = MapVirtualKeyW(vk, 0 /* MAPVK_VK_TO_VSC */);
  LPARAM down = 1 | ((LPARAM)scan << 16);
  LPARAM up = down | (1L << 30) | (1L << 31);
  if (!PostMessageW(to, WM_KEYDOWN, vk, down)) return 1;
  PostMessageW(to, WM_KEYUP, vk, up);
  return 0;
}

int main(void) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 3) {
    fprintf(stderr, "usage: wintool find|close|key|gone TITLE [...]\n");
    return 2;
  }
  const wchar_t* cmd = argv[1];
  const wchar_t* title = argv[2];
  DWORD timeout = 10000;
  if (argc > 3 && (wcscmp(cmd, L"find") == 0 || wcscmp(cmd, L"gone") == 0)) {
    timeout = (DWORD)wcstoul(argv[3], NULL, 0);
  }

  if (wcscmp(cmd, L"gone") == 0) {
    DWORD start = GetTickCount();
    while (FindWindowW(NULL, title)) {
      if (GetTickCount() - start >= timeout) return 1;
      Sleep(20);
    }
    return 0;
  }

  HWND w = wait_window(title, wcscmp(cmd, L"find") == 0 ? timeout : 0);
  if (!w) {
    fprintf(stderr, "wintool: no visible window titled \"%ls\"\n", title);
    return 1;
  }
  if (wcscmp(cmd, L"find") == 0) return cmd_find(w);
  if (wcscmp(cmd, L"close") == 0) return PostMessageW(w, WM_CLOSE, 0, 0) ? 0 : 1;
  if (wcscmp(cmd, L"key") == 0 && argc > 4) {
    char target[16], key[32];
    WideCharToMultiByte(CP_UTF8, 0, argv[3], -1, target, sizeof target, NULL, NULL);
    WideCharToMultiByte(CP_UTF8, 0, argv[4], -1, key, sizeof key, NULL, NULL);
    return cmd_key(w, target, key);
  }
  fprintf(stderr, "wintool: unknown command\n");
  return 2;
}
