// The engine library as the program reaches it: Quorvix.dll loaded at run time, its four
// exports found by name, and the engine object called through its table of operations.
// The table is declared here on its own, slot by slot from the interface's description,
// each operation taking the object first (stdcall), so that a test through it proves the
// library's slot order and calling convention. The two text holders are implemented the
// same way, as the program implements them.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace engine_client {

#define VDCALL __stdcall

constexpr UINT kEngineEvent = 0x7E9;            // WM_ENGINE_EVENT
constexpr UINT kEnginePropertyChanged = 0x7EA;  // WM_ENGINE_PROPERTY_CHANGED
constexpr int kRecordError = 1001;
constexpr int kEFail = int(0x80004005u);

struct Engine;
struct Text;
struct TextList;

struct EngineTable {
  void(VDCALL* Release)(Engine*);
  void(VDCALL* Initialize)(Engine*, const char* cameraName);
  void(VDCALL* SetOwnerWindow)(Engine*, HWND);
  int(VDCALL* SetNotifyWindow)(Engine*, HWND);
  int(VDCALL* SetPreviewWindow)(Engine*, HWND);
  int(VDCALL* EnableEffects)(Engine*, BOOL);
  int(VDCALL* GetLastEvent)(Engine*, int* code, Text* text);
  BOOL(VDCALL* GetThumbnail)(Engine*, const char* source, HBITMAP* bitmap);
  int(VDCALL* GetCaptureDevices)(Engine*, TextList* devices, int* defaultIndex);
  BOOL(VDCALL* CopyEffectFile)
  (Engine*, const char* source, const char* destination, const char* kind, const char* category,
   const char* name);
  BOOL(VDCALL* AddEffect)
  (Engine*, const char* path, const char* kind, const char* category, const char* name);
  void(VDCALL* GetEffectList)(Engine*, TextList* list, int* selectedIndex);
  int(VDCALL* SelectEffect)(Engine*, int effectId);
  int(VDCALL* GetSelectedEffect)(Engine*);
  BOOL(VDCALL* GetProperty)
  (Engine*, int moduleId, int propertyId, const char* argument, Text* value);
  BOOL(VDCALL* SetProperty)(Engine*, int moduleId, int propertyId, const char* value);
  BOOL(VDCALL* SaveEffect)
  (Engine*, int effectId, const char* kind, const char* category, const char* name,
   const char* path);
  int(VDCALL* RemoveEffect)(Engine*, int effectId);
  int(VDCALL* ClearEffects)(Engine*);
  BOOL(VDCALL* RemoveEffectsOfKind)(Engine*, const char* kind);
  int(VDCALL* SetEffectOnTop)(Engine*, int effectId, BOOL onTop);
  int(VDCALL* SetSortByKind)(Engine*, BOOL sort);
  void(VDCALL* SetKindOrder)(Engine*, TextList* kinds);
  void(VDCALL* ReorderEffects)(Engine*, const char* moves);
  int(VDCALL* PreviewMouse)(Engine*, BOOL drawingBoard, UINT message, int x, int y);
  BOOL(VDCALL* GetKindMultiple)(Engine*, const char* kind);
  BOOL(VDCALL* SetKindMultiple)(Engine*, const char* kind, BOOL multiple);
  BOOL(VDCALL* LoadPicture)
  (Engine*, const char* path, HBITMAP* bitmap, int* frameCount, Text* delays);
  int(VDCALL* GetRecordingState)(Engine*);
  BOOL(VDCALL* StartRecording)(Engine*, const char* path, const char* audioDevice);
  BOOL(VDCALL* StopRecording)(Engine*);
  BOOL(VDCALL* PauseRecording)(Engine*);
  BOOL(VDCALL* GetRecordingTime)(Engine*, Text* time);
  BOOL(VDCALL* SaveSnapshot)(Engine*, const char* path, const char* format);
  BOOL(VDCALL* CreateEffectFile)
  (Engine*, const char* path, const char* ignored1, const char* ignored2, const char* kind,
   int elementType, const char* source);
  BOOL(VDCALL* ReadEffectInfo)(Engine*, const char* path, TextList* info);
  void(VDCALL* SetHostVersion)(Engine*, int version);
  int(VDCALL* GetAudioCaptureDevices)(Engine*, TextList* devices, int* defaultIndex);
  BOOL(VDCALL* DrawPicture)(Engine*, const char* path, HDC dc, int width, int height);
  int(VDCALL* SetOutputSize)(Engine*, int width, int height);
  int(VDCALL* SetFrameRate)(Engine*, int framesPerSecond);
  BOOL(VDCALL* OpenElementFile)(Engine*, int moduleId, const char* path);
  BOOL(VDCALL* LoadElementSource)(Engine*, int moduleId, const char* effectFilePath);
  void(VDCALL* Tick)(Engine*);
  BOOL(VDCALL* RemoveEffectByPath)(Engine*, const char* path);
  int(VDCALL* RemoveBackgroundEffects)(Engine*);
  BOOL(VDCALL* DrawElementFrame)(Engine*, int moduleId, HDC dc, int x, int y, int cx, int cy);
  int(VDCALL* EnableSourceFilter)(Engine*, int kind, BOOL enable);
  void(VDCALL* Destroy)(Engine*);
};
static_assert(sizeof(EngineTable) == 49 * sizeof(void*), "49 operations");

// What the engine pointer points at: a word that points at the table.
struct Engine {
  const EngineTable* table;
};

// Calls an operation of the engine through its table, the object first.
#define VD(engine, operation, ...) ((engine)->table->operation((engine), ##__VA_ARGS__))

// --- Text holders, implemented as the program implements them ---------------------------

struct TextTable {
  void(VDCALL* Release)(Text*);
  const char*(VDCALL* GetText)(Text*);
  void(VDCALL* SetText)(Text*, const char*);
};

struct TextListTable {
  void(VDCALL* Release)(TextList*);
  void(VDCALL* Clear)(TextList*);
  void(VDCALL* Add)(TextList*, const char*);
  const char*(VDCALL* Get)(TextList*, int);
  int(VDCALL* GetCount)(TextList*);
};

inline void VDCALL TextRelease(Text* holder);
inline const char* VDCALL TextGet(Text* holder);
inline void VDCALL TextSet(Text* holder, const char* text);
inline const TextTable kTextTable = {TextRelease, TextGet, TextSet};

// The engine only fills or reads a holder; it never releases one.
struct Text {
  explicit Text(const std::string& initial = std::string()) : value(initial) {}
  const TextTable* table = &kTextTable;
  std::string value;
  int releases = 0;
  int writes = 0;
};

inline void VDCALL TextRelease(Text* holder) { ++holder->releases; }
inline const char* VDCALL TextGet(Text* holder) { return holder->value.c_str(); }
inline void VDCALL TextSet(Text* holder, const char* text) {
  holder->value = text ? text : "";
  ++holder->writes;
}

inline void VDCALL ListRelease(TextList* holder);
inline void VDCALL ListClear(TextList* holder);
inline void VDCALL ListAdd(TextList* holder, const char* text);
inline const char* VDCALL ListGet(TextList* holder, int index);
inline int VDCALL ListCount(TextList* holder);
inline const TextListTable kTextListTable = {ListRelease, ListClear, ListAdd, ListGet, ListCount};

struct TextList {
  TextList() = default;
  TextList(std::initializer_list<std::string> initial) : items(initial) {}
  const TextListTable* table = &kTextListTable;
  std::vector<std::string> items;
  int releases = 0;
};

inline void VDCALL ListRelease(TextList* holder) { ++holder->releases; }
inline void VDCALL ListClear(TextList* holder) { holder->items.clear(); }
inline void VDCALL ListAdd(TextList* holder, const char* text) {
  holder->items.push_back(text ? text : "");
}
inline const char* VDCALL ListGet(TextList* holder, int index) {
  EXPECT_GE(index, 0);
  EXPECT_LT(index, int(holder->items.size()));
  return holder->items.at(size_t(index)).c_str();
}
inline int VDCALL ListCount(TextList* holder) { return int(holder->items.size()); }

// --- The library ------------------------------------------------------------------------

class Library {
 public:
  using CreateEngineFunction = Engine*(WINAPI*)();
  using FindDeviceFunction = BOOL(WINAPI*)(const char*);
  using InstallDeviceFunction = int(WINAPI*)(const char*, const char*);
  using RemoveDeviceFunction = int(WINAPI*)(const char*);

  Library() : m_module(LoadLibraryA("Quorvix.dll")) {
    if (!m_module) return;
    CreateEngine = Find<CreateEngineFunction>("CreateEngine");
    FindDevice = Find<FindDeviceFunction>("FindDevice");
    InstallDevice = Find<InstallDeviceFunction>("InstallDevice");
    RemoveDevice = Find<RemoveDeviceFunction>("RemoveDevice");
  }
  ~Library() {
    if (m_module) FreeLibrary(m_module);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool Loaded() const {
    return m_module && CreateEngine && FindDevice && InstallDevice && RemoveDevice;
  }
  HMODULE Module() const { return m_module; }

  CreateEngineFunction CreateEngine = nullptr;
  FindDeviceFunction FindDevice = nullptr;
  InstallDeviceFunction InstallDevice = nullptr;
  RemoveDeviceFunction RemoveDevice = nullptr;

 private:
  template <typename F>
  F Find(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m_module, name)));
  }
  HMODULE m_module;
};

// One engine object, released at the end of the scope.
class EngineObject {
 public:
  explicit EngineObject(Library& library)
      : m_engine(library.CreateEngine ? library.CreateEngine() : nullptr) {}
  ~EngineObject() {
    if (m_engine) VD(m_engine, Release);
  }
  EngineObject(const EngineObject&) = delete;
  EngineObject& operator=(const EngineObject&) = delete;

  Engine* operator->() const { return m_engine; }
  Engine* get() const { return m_engine; }

 private:
  Engine* m_engine;
};

// --- The program's notify window --------------------------------------------------------

struct Message {
  UINT message;
  int32_t wParam;
  int32_t lParam;
  bool operator==(const Message& o) const {
    return message == o.message && wParam == o.wParam && lParam == o.lParam;
  }
};

inline std::ostream& operator<<(std::ostream& os, const Message& m) {
  return os << "{0x" << std::hex << m.message << std::dec << ", " << m.wParam << ", " << m.lParam
            << "}";
}

// A hidden window that keeps the engine's messages as they arrive.
class NotifyWindow {
 public:
  NotifyWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &NotifyWindow::Procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "EngineClientNotify";
    RegisterClassA(&wc);  // a second registration fails harmlessly
    m_window = CreateWindowExA(0, wc.lpszClassName, "notify", WS_POPUP, 0, 0, 1, 1, nullptr,
                               nullptr, wc.hInstance, this);
  }
  ~NotifyWindow() {
    if (m_window) DestroyWindow(m_window);
  }
  NotifyWindow(const NotifyWindow&) = delete;
  NotifyWindow& operator=(const NotifyWindow&) = delete;

  HWND Handle() const { return m_window; }

  // Dispatches what is waiting, for at least `milliseconds`.
  void Pump(DWORD milliseconds = 50) {
    const DWORD start = GetTickCount();
    do {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
      Sleep(1);
    } while (GetTickCount() - start < milliseconds);
  }

  // Every engine message received since the last call, which forgets them.
  std::vector<Message> TakeAll() {
    Pump();
    std::vector<Message> taken;
    taken.swap(m_messages);
    return taken;
  }

  // The engine's messages of one kind received since the last call, which forgets all.
  std::vector<Message> Take(UINT message) {
    Pump();
    std::vector<Message> taken;
    for (const Message& m : m_messages) {
      if (m.message == message) taken.push_back(m);
    }
    m_messages.clear();
    return taken;
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<NotifyWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self && (message == kEngineEvent || message == kEnginePropertyChanged)) {
      self->m_messages.push_back({message, int32_t(INT_PTR(wParam)), int32_t(lParam)});
      return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }

  HWND m_window = nullptr;
  std::vector<Message> m_messages;
};

}  // namespace engine_client
