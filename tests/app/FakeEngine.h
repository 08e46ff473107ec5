// An engine object for the program's tests: it answers every operation of the engine's
// table and writes each call, with its arguments, into a log.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "framework/WinApi.h"

#include "engine/api/VDEngine.h"

class TFakeEngine final : public IVDEngine {
 public:
  std::vector<std::string> Calls;
  std::map<int, std::string> Properties;  // property id -> value (any module)
  std::vector<std::string> Devices;        // two texts per device
  int EventCode = 0;
  std::string EventText;
  bool Released = false;
  HWND NotifyWindow = nullptr;
  HWND PreviewWindow = nullptr;
  // Called after every SetProperty has stored its value (a test may act as the engine).
  std::function<void(int Module, int Id, const std::string& Value)> OnSetProperty;

  // Calls whose name begins with the prefix, in order.
  std::vector<std::string> CallsStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& call : Calls)
      if (call.compare(0, prefix.size(), prefix) == 0) found.push_back(call);
    return found;
  }

  void VDAPI Release() override {
    Calls.push_back("Release");
    Released = true;
  }
  void VDAPI Initialize(const char* name) override { Log("Initialize", Text(name)); }
  void VDAPI SetOwnerWindow(HWND window) override { Log("SetOwnerWindow", Window(window)); }
  int VDAPI SetNotifyWindow(HWND window) override {
    NotifyWindow = window;
    Log("SetNotifyWindow", Window(window));
    return 0;
  }
  int VDAPI SetPreviewWindow(HWND window) override {
    PreviewWindow = window;
    Log("SetPreviewWindow", Window(window));
    return 0;
  }
  int VDAPI EnableEffects(BOOL on) override { return Log("EnableEffects", Num(on)), 0; }
  int VDAPI GetLastEvent(int* code, IVDString* text) override {
    Log("GetLastEvent", "");
    *code = EventCode;
    text->SetText(EventText.c_str());
    EventCode = 0;
    return 0;
  }
  BOOL VDAPI GetThumbnail(const char*, HBITMAP*) override { return Log("GetThumbnail", ""), 0; }
  int VDAPI GetCaptureDevices(IVDStringArray* devices, int* defaultIndex) override {
    Log("GetCaptureDevices", "");
    for (const std::string& text : Devices) devices->Add(text.c_str());
    if (defaultIndex) *defaultIndex = 0;
    return 1;
  }
  BOOL VDAPI CopyEffectFile(const char*, const char*, const char*, const char*, const char*) override {
    return Log("CopyEffectFile", ""), 0;
  }
  BOOL VDAPI AddEffect(const char*, const char*, const char*, const char*) override {
    return Log("AddEffect", ""), 0;
  }
  void VDAPI GetEffectList(IVDStringArray*, int*) override { Log("GetEffectList", ""); }
  int VDAPI SelectEffect(int) override { return Log("SelectEffect", ""), 0; }
  int VDAPI GetSelectedEffect() override { return Log("GetSelectedEffect", ""), 0; }
  BOOL VDAPI GetProperty(int module, int id, const char* argument, IVDString* value) override {
    Log("GetProperty", Num(module) + "," + Num(id) + "," + Text(argument));
    auto found = Properties.find(id);
    if (found == Properties.end()) return 0;
    value->SetText(found->second.c_str());
    return 1;
  }
  BOOL VDAPI SetProperty(int module, int id, const char* value) override {
    Log("SetProperty", Num(module) + "," + Num(id) + "," + Text(value));
    Properties[id] = Text(value);
    if (OnSetProperty) OnSetProperty(module, id, Text(value));
    return 1;
  }
  BOOL VDAPI SaveEffect(int, const char*, const char*, const char*, const char*) override {
    return Log("SaveEffect", ""), 0;
  }
  int VDAPI RemoveEffect(int) override { return Log("RemoveEffect", ""), 0; }
  int VDAPI ClearEffects() override { return Log("ClearEffects", ""), 0; }
  BOOL VDAPI RemoveEffectsOfKind(const char*) override { return Log("RemoveEffectsOfKind", ""), 1; }
  int VDAPI SetEffectOnTop(int, BOOL) override { return Log("SetEffectOnTop", ""), 1; }
  int VDAPI SetSortByKind(BOOL sort) override { return Log("SetSortByKind", Num(sort)), 0; }
  void VDAPI SetKindOrder(IVDStringArray* kinds) override {
    std::string names;
    for (int i = 0; i < kinds->GetCount(); ++i) names += (i ? "|" : "") + Text(kinds->Get(i));
    Log("SetKindOrder", names);
  }
  void VDAPI ReorderEffects(const char*) override { Log("ReorderEffects", ""); }
  int VDAPI PreviewMouse(BOOL board, UINT message, int x, int y) override {
    return Log("PreviewMouse", Num(board) + "," + Num(int(message)) + "," + Num(x) + "," + Num(y)), 0;
  }
  BOOL VDAPI GetKindMultiple(const char*) override { return Log("GetKindMultiple", ""), 0; }
  BOOL VDAPI SetKindMultiple(const char* kind, BOOL on) override {
    return Log("SetKindMultiple", Text(kind) + "," + Num(on)), 1;
  }
  BOOL VDAPI LoadPicture(const char*, HBITMAP*, int*, IVDString*) override {
    return Log("LoadPicture", ""), 0;
  }
  int VDAPI GetRecordingState() override { return Log("GetRecordingState", ""), 0; }
  BOOL VDAPI StartRecording(const char*, const char*) override { return Log("StartRecording", ""), 0; }
  BOOL VDAPI StopRecording() override { return Log("StopRecording", ""), 0; }
  BOOL VDAPI PauseRecording() override { return Log("PauseRecording", ""), 0; }
  BOOL VDAPI GetRecordingTime(IVDString*) override { return Log("GetRecordingTime", ""), 0; }
  BOOL VDAPI SaveSnapshot(const char*, const char*) override { return Log("SaveSnapshot", ""), 0; }
  BOOL VDAPI CreateEffectFile(const char*, const char*, const char*, const char*, int,
                              const char*) override {
    return Log("CreateEffectFile", ""), 0;
  }
  BOOL VDAPI ReadEffectInfo(const char*, IVDStringArray*) override {
    return Log("ReadEffectInfo", ""), 0;
  }
  void VDAPI SetHostVersion(int version) override { Log("SetHostVersion", Num(version)); }
  int VDAPI GetAudioCaptureDevices(IVDStringArray*, int*) override {
    return Log("GetAudioCaptureDevices", ""), 1;
  }
  BOOL VDAPI DrawPicture(const char*, HDC, int, int) override { return Log("DrawPicture", ""), 0; }
  int VDAPI SetOutputSize(int width, int height) override {
    return Log("SetOutputSize", Num(width) + "x" + Num(height)), 1;
  }
  int VDAPI SetFrameRate(int rate) override { return Log("SetFrameRate", Num(rate)), 1; }
  BOOL VDAPI OpenElementFile(int, const char*) override { return Log("OpenElementFile", ""), 0; }
  BOOL VDAPI LoadElementSource(int, const char*) override {
    return Log("LoadElementSource", ""), 0;
  }
  void VDAPI Tick() override { Calls.push_back("Tick"); }
  BOOL VDAPI RemoveEffectByPath(const char*) override { return Log("RemoveEffectByPath", ""), 1; }
  int VDAPI RemoveBackgroundEffects() override { return Log("RemoveBackgroundEffects", ""), 0; }
  BOOL VDAPI DrawElementFrame(int, HDC, int, int, int, int) override {
    return Log("DrawElementFrame", ""), 0;
  }
  int VDAPI EnableSourceFilter(int, BOOL) override { return Log("EnableSourceFilter", ""), 0; }
  void VDAPI Destroy() override { Log("Destroy", ""); }

 private:
  static std::string Text(const char* text) { return text ? text : "(null)"; }
  static std::string Num(long long value) { return std::to_string(value); }
  static std::string Window(HWND window) { return window ? "window" : "null"; }
  void Log(const char* name, const std::string& args) {
    Calls.push_back(std::string(name) + "(" + args + ")");
  }
};
