// CEngine: the engine object behind IVDEngine. It keeps the windows and settings the
// program hands in, owns the compositor (made by Initialize), keeps the last reported event,
// and reports back to the program for the compositor as its IVDEngineSink.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "engine/api/EngineSink.h"
#include "engine/api/VDEngine.h"

class CEffectCompositor;
class CGraphRecorder;

class CEngine final : public IVDEngine, public IVDEngineSink {
 public:
  CEngine();
  CEngine(const CEngine&) = delete;
  CEngine& operator=(const CEngine&) = delete;

  // --- IVDEngine (see VDEngine.h) --------------------------------------------------------
  void VDAPI Release() override;
  void VDAPI Initialize(const char* cameraName) override;
  void VDAPI SetOwnerWindow(HWND window) override;
  int VDAPI SetNotifyWindow(HWND window) override;
  int VDAPI SetPreviewWindow(HWND window) override;
  int VDAPI EnableEffects(BOOL enable) override;
  int VDAPI GetLastEvent(int* code, IVDString* text) override;
  BOOL VDAPI GetThumbnail(const char* source, HBITMAP* bitmap) override;
  int VDAPI GetCaptureDevices(IVDStringArray* devices, int* defaultIndex) override;
  BOOL VDAPI CopyEffectFile(const char* source, const char* destination, const char* kind,
                            const char* category, const char* name) override;
  BOOL VDAPI AddEffect(const char* path, const char* kind, const char* category,
                       const char* name) override;
  void VDAPI GetEffectList(IVDStringArray* list, int* selectedIndex) override;
  int VDAPI SelectEffect(int effectId) override;
  int VDAPI GetSelectedEffect() override;
  BOOL VDAPI GetProperty(int moduleId, int propertyId, const char* argument,
                         IVDString* value) override;
  BOOL VDAPI SetProperty(int moduleId, int propertyId, const char* value) override;
  BOOL VDAPI SaveEffect(int effectId, const char* kind, const char* category, const char* name,
                        const char* path) override;
  int VDAPI RemoveEffect(int effectId) override;
  int VDAPI ClearEffects() override;
  BOOL VDAPI RemoveEffectsOfKind(const char* kind) override;
  int VDAPI SetEffectOnTop(int effectId, BOOL onTop) override;
  int VDAPI SetSortByKind(BOOL sort) override;
  void VDAPI SetKindOrder(IVDStringArray* kinds) override;
  void VDAPI ReorderEffects(const char* moves) override;
  int VDAPI PreviewMouse(BOOL drawingBoard, UINT message, int x, int y) override;
  BOOL VDAPI GetKindMultiple(const char* kind) override;
  BOOL VDAPI SetKindMultiple(const char* kind, BOOL multiple) override;
  BOOL VDAPI LoadPicture(const char* path, HBITMAP* bitmap, int* frameCount,
                         IVDString* delays) override;
  int VDAPI GetRecordingState() override;
  BOOL VDAPI StartRecording(const char* path, const char* audioDevice) override;
  BOOL VDAPI StopRecording() override;
  BOOL VDAPI PauseRecording() override;
  BOOL VDAPI GetRecordingTime(IVDString* time) override;
  BOOL VDAPI SaveSnapshot(const char* path, const char* format) override;
  BOOL VDAPI CreateEffectFile(const char* path, const char* unused1, const char* unused2,
                              const char* kind, int elementType, const char* source) override;
  BOOL VDAPI ReadEffectInfo(const char* path, IVDStringArray* info) override;
  void VDAPI SetHostVersion(int version) override;
  int VDAPI GetAudioCaptureDevices(IVDStringArray* devices, int* defaultIndex) override;
  BOOL VDAPI DrawPicture(const char* path, HDC dc, int width, int height) override;
  int VDAPI SetOutputSize(int width, int height) override;
  int VDAPI SetFrameRate(int framesPerSecond) override;
  BOOL VDAPI OpenElementFile(int moduleId, const char* path) override;
  BOOL VDAPI LoadElementSource(int moduleId, const char* effectFilePath) override;
  void VDAPI Tick() override;
  BOOL VDAPI RemoveEffectByPath(const char* path) override;
  int VDAPI RemoveBackgroundEffects() override;
  BOOL VDAPI DrawElementFrame(int moduleId, HDC dc, int x, int y, int cx, int cy) override;
  int VDAPI EnableSourceFilter(int kind, BOOL enable) override;
  void VDAPI Destroy() override;

  // --- IVDEngineSink ---------------------------------------------------------------------
  LRESULT SendHostMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT PostHostMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void ReportEvent(int32_t code, const std::string& text) override;
  HWND GetNotifyWindow() override;
  HWND GetOwnerWindow() override;
  int32_t GetOutputWidth() override;
  int32_t GetOutputHeight() override;
  std::string GetCameraName() override;

  // The compositor, null before Initialize.
  CEffectCompositor* GetCompositor() const { return m_compositor.get(); }

 private:
  // Only Destroy deletes the engine.
  ~CEngine();

  // Adds the running program to ffdshow's "useonlyin" lists.
  static void RegisterWithFfdshow();

  std::unique_ptr<CEffectCompositor> m_compositor;
  // The current recorder, also one whose start failed (until the next start or stop).
  std::unique_ptr<CGraphRecorder> m_recorder;
  // The last event: written from any thread, read on the main thread.
  std::mutex m_eventLock;
  int32_t m_eventCode = 0;
  std::string m_eventText;
  std::atomic<HWND> m_notifyWindow{nullptr};
  std::atomic<HWND> m_ownerWindow{nullptr};
  std::string m_cameraName;
  std::atomic<int32_t> m_outputWidth{0};
  std::atomic<int32_t> m_outputHeight{0};
  int32_t m_frameRate = 0;
};

// The image library format of a snapshot format text: "PNG", "GIF", "JPG" or "BMP" in any
// letter case; PNG for any other text.
int32_t SnapshotFormatOf(const std::string& format);

// Adds `fileName` to an ffdshow "useonlyin" value under HKEY_CURRENT_USER: a string value
// that does not contain it (as a case-sensitive substring) gets "\r\n" and the name
// appended. Missing keys and values, and values that are not strings, are left untouched.
// True when the value was written.
bool AppendToUseOnlyIn(const std::string& subKey, const std::string& fileName);
