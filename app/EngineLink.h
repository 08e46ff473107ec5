// The engine object as the program holds it. The program may run without an engine (when
// the library could not make one), so every call checks for it and answers empty or false
// without one. True goes to the engine's BOOL arguments as -1. Windows only.
#pragma once

#include "framework/Classes.h"
#include "framework/WinApi.h"

#include "engine/api/VDEngine.h"

class TEngineLink {
 public:
  TEngineLink() = default;
  // Takes over the engine (null: none).
  explicit TEngineLink(IVDEngine* Engine) : FEngine(Engine) {}
  ~TEngineLink() { Release(); }
  TEngineLink(const TEngineLink&) = delete;
  TEngineLink& operator=(const TEngineLink&) = delete;

  bool Exists() const { return FEngine != nullptr; }
  IVDEngine* Get() const { return FEngine; }
  // Stops the engine's messages and releases it.
  void Release();
  // Releases the engine held and takes over another (null: none).
  void Reset(IVDEngine* Engine) {
    Release();
    FEngine = Engine;
  }

  // The start-up calls, in the order the engine window makes them.
  void SetHostVersion(int Version);
  void SetNotifyWindow(HWND Window);
  void SetOwnerWindow(HWND Window);
  bool SetOutputSize(int Width, int Height);
  bool SetFrameRate(int Rate);
  void Initialize(const AnsiString& CameraName);
  void SetKindOrder(TStrings* Kinds);
  bool SetKindMultiple(const AnsiString& Kind, bool Multiple);
  void SetSortByKind(bool Sort);

  // The engine's answer for a property (the holder's text, empty when the engine wrote
  // none); Value is unchanged without an engine.
  bool GetProperty(int Module, int PropertyId, AnsiString& Value,
                   const AnsiString& Argument = AnsiString());
  bool SetProperty(int Module, int PropertyId, const AnsiString& Value);
  // Two texts per capture device (friendly name, display name).
  bool GetSourceList(TStrings* List);
  void PreviewMouse(UINT Message, int X, int Y);
  void SetPreviewWindow(HWND Window);
  void Tick();
  // The waiting event's code (0 when none) and text.
  bool GetLastEvent(int& Code, AnsiString& Text);

 private:
  IVDEngine* FEngine = nullptr;
};

// The engine's BOOL for a flag: true is -1.
inline BOOL EngineBool(bool Value) { return Value ? -1 : 0; }
