// The engine library's interface towards the program: the engine object IVDEngine that
// CreateEngine makes, the two text holders the program implements and hands in, the
// messages the engine posts to the program's notify window, and the event codes.
//
// IVDEngine, IVDString and IVDStringArray are binary interfaces: the caller sees a pointer
// to a word that points at a table of functions, called in a fixed slot order, each with the
// object as its first argument, arguments on the stack removed by the callee (stdcall; on
// 64-bit Windows the one calling convention). None of them has a virtual destructor, which
// would take table slots of its own: the engine ends through Release (slot 0), which calls
// Destroy (its last slot), and the holders end through their own Release.
#pragma once

#include <windows.h>

#include <cstdint>

#define VDAPI __stdcall

// Posted to the notify window. WParam 1: an event is waiting (LParam its code), fetched
// with IVDEngine::GetLastEvent. WParam 0: the set, order, placement or selection of user
// effects changed; LParam 1 when the selected effect changed in the same step, else 0.
constexpr UINT WM_ENGINE_EVENT = 0x7E9;
// Posted to the notify window: WParam the id of the effect whose property changed (-1 main
// source, -3 drawing board, -16-n layer n, a positive user-effect id), LParam the property id.
constexpr UINT WM_ENGINE_PROPERTY_CHANGED = 0x7EA;

// Event codes (WM_ENGINE_EVENT with WParam 1).
constexpr int32_t ENGINE_EVENT_RECORD_ERROR = 1001;    // text: the recorder's error text
constexpr int32_t ENGINE_EVENT_SNAPSHOT_ERROR = 1002;  // text: the file name
constexpr int32_t ENGINE_EVENT_CAMERA_BUSY = 1009;     // text: the camera element's error text
constexpr int32_t ENGINE_EVENT_MEDIA_ERROR = 1013;     // text: the path
// A frame could not be composed (no memory for it, or the picture library failed) and was
// skipped; reported once for each output size. Text: what went wrong.
constexpr int32_t ENGINE_EVENT_FRAME_ERROR = 1014;

// Module ids of IVDEngine::GetProperty, SetProperty and the other module operations.
constexpr int32_t MODULE_MAIN_SOURCE = -1;
constexpr int32_t MODULE_DRAWING_BOARD = -2;
constexpr int32_t MODULE_LAYER_BASE = -16;  // extra layer n is MODULE_LAYER_BASE - n
// The drawing board's own effect id, which its notifications carry.
constexpr int32_t EFFECT_ID_DRAWING_BOARD = -3;

// A text the program owns; the engine reads or fills it during one call.
class IVDString {
 public:
  virtual void VDAPI Release() = 0;
  // The held text, never null; valid until the next SetText or Release.
  virtual const char* VDAPI GetText() = 0;
  // Replaces the held text with a copy.
  virtual void VDAPI SetText(const char* text) = 0;

 protected:
  ~IVDString() = default;
};

// A list of texts the program owns; the engine reads or fills it during one call.
class IVDStringArray {
 public:
  virtual void VDAPI Release() = 0;
  virtual void VDAPI Clear() = 0;
  // Appends a copy.
  virtual void VDAPI Add(const char* text) = 0;
  // The text at an index below GetCount.
  virtual const char* VDAPI Get(int index) = 0;
  virtual int VDAPI GetCount() = 0;

 protected:
  ~IVDStringArray() = default;
};

// The engine object. Texts are zero-terminated 8-bit strings in the system code page; BOOL
// results are 1 or 0. Every operation is called on the program's main thread. Operations
// that work on the composition need IVDEngine::Initialize first and fail before it.
class IVDEngine {
 public:
  // Destroys the engine (through Destroy).
  virtual void VDAPI Release() = 0;
  // Opens the virtual camera of that friendly name, builds the compositor and starts it.
  virtual void VDAPI Initialize(const char* cameraName) = 0;
  virtual void VDAPI SetOwnerWindow(HWND window) = 0;
  // The window that receives the engine's messages; null stops all messages. 0.
  virtual int VDAPI SetNotifyWindow(HWND window) = 0;
  // The window the composed frames are painted into; null stops painting.
  virtual int VDAPI SetPreviewWindow(HWND window) = 0;
  // Sources and effects are rendered only while on (on after Initialize). 0.
  virtual int VDAPI EnableEffects(BOOL enable) = 0;
  // Writes the last event's code and text, then sets the code to 0.
  virtual int VDAPI GetLastEvent(int* code, IVDString* text) = 0;
  virtual BOOL VDAPI GetThumbnail(const char* source, HBITMAP* bitmap) = 0;
  // Friendly and display name of each video capture device but the virtual camera. 1.
  virtual int VDAPI GetCaptureDevices(IVDStringArray* devices, int* defaultIndex) = 0;
  virtual BOOL VDAPI CopyEffectFile(const char* source, const char* destination, const char* kind,
                                    const char* category, const char* name) = 0;
  virtual BOOL VDAPI AddEffect(const char* path, const char* kind, const char* category,
                               const char* name) = 0;
  // Six texts per user effect: path, name, category, kind, id, on top ("1"/"0").
  virtual void VDAPI GetEffectList(IVDStringArray* list, int* selectedIndex) = 0;
  // 0 or E_FAIL.
  virtual int VDAPI SelectEffect(int effectId) = 0;
  // The selected user effect's id, 0 when none.
  virtual int VDAPI GetSelectedEffect() = 0;
  // The value starts as the argument text; on success it holds the answer.
  virtual BOOL VDAPI GetProperty(int moduleId, int propertyId, const char* argument,
                                 IVDString* value) = 0;
  virtual BOOL VDAPI SetProperty(int moduleId, int propertyId, const char* value) = 0;
  virtual BOOL VDAPI SaveEffect(int effectId, const char* kind, const char* category,
                                const char* name, const char* path) = 0;
  // 0 or E_FAIL.
  virtual int VDAPI RemoveEffect(int effectId) = 0;
  // 0.
  virtual int VDAPI ClearEffects() = 0;
  // 1.
  virtual BOOL VDAPI RemoveEffectsOfKind(const char* kind) = 0;
  // 1.
  virtual int VDAPI SetEffectOnTop(int effectId, BOOL onTop) = 0;
  // 0.
  virtual int VDAPI SetSortByKind(BOOL sort) = 0;
  virtual void VDAPI SetKindOrder(IVDStringArray* kinds) = 0;
  // "delta|index|index...": moves the effects at the indexes by delta places.
  virtual void VDAPI ReorderEffects(const char* moves) = 0;
  virtual int VDAPI PreviewMouse(BOOL drawingBoard, UINT message, int x, int y) = 0;
  virtual BOOL VDAPI GetKindMultiple(const char* kind) = 0;
  // 1.
  virtual BOOL VDAPI SetKindMultiple(const char* kind, BOOL multiple) = 0;
  virtual BOOL VDAPI LoadPicture(const char* path, HBITMAP* bitmap, int* frameCount,
                                 IVDString* delays) = 0;
  // 0 stopped, 1 paused, 2 running; 0 without a recording.
  virtual int VDAPI GetRecordingState() = 0;
  virtual BOOL VDAPI StartRecording(const char* path, const char* audioDevice) = 0;
  virtual BOOL VDAPI StopRecording() = 0;
  virtual BOOL VDAPI PauseRecording() = 0;
  virtual BOOL VDAPI GetRecordingTime(IVDString* time) = 0;
  virtual BOOL VDAPI SaveSnapshot(const char* path, const char* format) = 0;
  virtual BOOL VDAPI CreateEffectFile(const char* path, const char* unused1, const char* unused2,
                                      const char* kind, int elementType, const char* source) = 0;
  virtual BOOL VDAPI ReadEffectInfo(const char* path, IVDStringArray* info) = 0;
  virtual void VDAPI SetHostVersion(int version) = 0;
  // Friendly and display name of each audio capture device. 1.
  virtual int VDAPI GetAudioCaptureDevices(IVDStringArray* devices, int* defaultIndex) = 0;
  virtual BOOL VDAPI DrawPicture(const char* path, HDC dc, int width, int height) = 0;
  // 1; 0 for a size that is not positive, which is refused.
  virtual int VDAPI SetOutputSize(int width, int height) = 0;
  // 1; the rate is held within 0..1000 frames per second.
  virtual int VDAPI SetFrameRate(int framesPerSecond) = 0;
  virtual BOOL VDAPI OpenElementFile(int moduleId, const char* path) = 0;
  virtual BOOL VDAPI LoadElementSource(int moduleId, const char* effectFilePath) = 0;
  // Housekeeping: finished effects deleted, sources' idle work. Every 300 ms.
  virtual void VDAPI Tick() = 0;
  // 1.
  virtual BOOL VDAPI RemoveEffectByPath(const char* path) = 0;
  // 0.
  virtual int VDAPI RemoveBackgroundEffects() = 0;
  virtual BOOL VDAPI DrawElementFrame(int moduleId, HDC dc, int x, int y, int cx, int cy) = 0;
  // Kind 1: the RealMedia source chain, kind 2: the FLV splitter, for graphs built later.
  virtual int VDAPI EnableSourceFilter(int kind, BOOL enable) = 0;
  // Deletes the engine; only Release calls it.
  virtual void VDAPI Destroy() = 0;

 protected:
  ~IVDEngine() = default;
};

extern "C" {
// A new engine object; null when memory is exhausted. Nothing else happens until
// IVDEngine::Initialize.
IVDEngine* WINAPI CreateEngine();
}
