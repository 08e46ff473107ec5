// Helpers of the control tests that the input thread may call: they use the system's
// windows and GDI only, never framework objects (those belong to the main thread).
#pragma once

#include <string>
#include <vector>

#include "framework/GraphicsBmp.h"
#include "framework/SysUtils.h"
#include "tests/framework/FormTestSupport.h"

// Writes a part of the screen to a bitmap file in the folder TAVISCO_SCREENSHOTS names
// (nothing when it is not set).
inline void ScreenshotRect(const RECT& R, const std::string& Name) {
  char folder[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("TAVISCO_SCREENSHOTS", folder, MAX_PATH)) return;
  const int w = R.right - R.left, h = R.bottom - R.top;
  if (w <= 0 || h <= 0) return;
  TDibImage image;
  image.Width = w;
  image.Height = h;
  image.BitCount = 24;
  image.Bits.resize(TDibImage::RowBytes(w, 24) * size_t(h));
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, R.left, R.top, SRCCOPY);
  SelectObject(memory, old);
  GetDIBits(memory, bitmap, 0, UINT(h), image.Bits.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  const std::vector<uint8_t> file = WriteBmpFile(image);
  const std::string path = std::string(folder) + "\\" + Name + ".bmp";
  if (FILE* f = fopen(path.c_str(), "wb")) {
    fwrite(file.data(), 1, file.size(), f);
    fclose(f);
  }
}

// Waits (on the input thread) until a visible top-level window of the thread's process
// with that class and, when given, that title exists; nullptr after the time is up.
inline HWND WaitForTopWindow(const char* ClassName, const char* Title = nullptr, DWORD TimeoutMs = 5000) {
  const DWORD start = GetTickCount();
  for (;;) {
    HWND found = nullptr;
    for (HWND wnd = FindWindowExA(nullptr, nullptr, ClassName, Title); wnd;
         wnd = FindWindowExA(nullptr, wnd, ClassName, Title)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(wnd, &pid);
      if (pid == GetCurrentProcessId() && IsWindowVisible(wnd)) {
        found = wnd;
        break;
      }
    }
    if (found || GetTickCount() - start > TimeoutMs) return found;
    Sleep(20);
  }
}

// The first child (at any depth) of a window with that class and text (nullptr: any).
inline HWND FindChildWindow(HWND Parent, const char* ClassName, const char* Text) {
  struct TSearch {
    const char* ClassName;
    const char* Text;
    HWND Found;
  } search{ClassName, Text, nullptr};
  EnumChildWindows(
      Parent,
      [](HWND Wnd, LPARAM Data) -> BOOL {
        auto* s = reinterpret_cast<TSearch*>(Data);
        char name[128] = {}, text[256] = {};
        GetClassNameA(Wnd, name, sizeof(name));
        GetWindowTextA(Wnd, text, sizeof(text));
        if ((!s->ClassName || lstrcmpiA(name, s->ClassName) == 0) && (!s->Text || strcmp(text, s->Text) == 0)) {
          s->Found = Wnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

// A left click at a screen point.
inline void ClickAt(int X, int Y, bool Right = false) {
  MoveMouseTo(X, Y);
  Sleep(20);
  MouseButton(true, Right);
  MouseButton(false, Right);
}

// A left click in the middle of a window.
inline void ClickWindow(HWND Wnd) {
  RECT r;
  GetWindowRect(Wnd, &r);
  ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// While it lives, an exception that reaches the application (from a handler) fails the
// test instead of showing a message box that would wait for a user.
class TFailOnException {
 public:
  TFailOnException() {
    Application->OnException = [](TObject*, Exception& E) { ADD_FAILURE() << "exception: " << E.Message; };
  }
  ~TFailOnException() { Application->OnException = nullptr; }
};

// A record of the events a test's handlers saw, in order.
class TEventLog {
 public:
  void operator()(const std::string& Entry) { FEntries.push_back(Entry); }
  std::string Text() const {
    std::string text;
    for (const std::string& e : FEntries) text += (text.empty() ? "" : " ") + e;
    return text;
  }
  void Clear() { FEntries.clear(); }
  size_t Count() const { return FEntries.size(); }

 private:
  std::vector<std::string> FEntries;
};
