// CEffectCompositor: the heart of the engine. It owns the output and preview pictures, the
// channel to the virtual camera, the preview window, the frame timer, the stock pictures,
// the built-in effects (main source and drawing board), the extra layers and the user's
// effects. On every timer tick it clears the output picture, lets every effect draw itself
// in a fixed order, sends the result to the camera, copies it to the preview picture and
// paints the preview window. Between ticks the program adds, removes, selects, orders and
// edits effects and routes property texts to them by module id.
//
// Threads: every operation but OnTimer and Refresh runs on the program's main thread and
// takes the compositor lock without a time limit. OnTimer (multimedia-timer thread) and
// Refresh (an element's streaming thread, frame rate 0) wait at most 500 ms for it and skip
// the frame when they cannot have it. Lock order: the compositor lock first, then an
// element's frame lock; never the other way round.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/DibSurface.h"
#include "engine/base/MediaTimer.h"
#include "engine/base/SortedStringArray.h"
#include "engine/base/SystemUtils.h"
#include "engine/compositor/PreviewEditor.h"
#include "engine/compositor/PreviewWindow.h"
#include "engine/device/DriverChannel.h"
#include "engine/effects/EffectHost.h"

class CEffect;
class CFaceTracker;
class IVDEngineSink;
struct CFrameContext;

class CEffectCompositor : public IEffectHost, public CMediaTimer {
 public:
  // The frame thread's longest wait for the lock; a tick that waits longer is skipped.
  static constexpr DWORD kFrameLockTimeoutMs = 500;
  static constexpr int32_t kMaxFrameRate = 1000;
  // Timer period while the rate is 0 (the timer then composes nothing).
  static constexpr UINT kIdlePeriodMs = 66;
  // Extra layers are made on demand up to this many; ids beyond address nothing.
  static constexpr int64_t kMaxLayers = 64;
  static constexpr int kStockImageCount = 4;

  // Opens the driver channel for the camera name the sink reports. Nothing is composed
  // until the output size is set, the stock pictures are loaded and Start runs.
  explicit CEffectCompositor(IVDEngineSink* sink);
  ~CEffectCompositor() override;
  CEffectCompositor(const CEffectCompositor&) = delete;
  CEffectCompositor& operator=(const CEffectCompositor&) = delete;

  // --- IEffectHost -----------------------------------------------------------------------
  // Frame rate 0 only: composes one frame now on the calling thread (0); 1 when the timer
  // composes, refresh is off, the compositor is not running, the lock could not be had
  // within 500 ms, or the frame had to be skipped. Callers must not hold an element's frame lock.
  HRESULT Refresh() override;
  HRESULT SetRefreshEnabled(BOOL enabled) override;
  HRESULT PostNotify(int32_t effectId, int32_t propertyId) override;
  HRESULT CopyOutputFrame(CDibSurface* destination) override;
  HRESULT Notify(int32_t code, const std::string& text) override;
  int32_t GetOutputWidth() override;
  int32_t GetOutputHeight() override;
  CDibSurface* GetStockImage(int32_t index) override;
  std::string GetCameraName() override;
  virtual IVDEngineSink* GetSink();

  // --- Frame pump ------------------------------------------------------------------------
  // Makes new output and preview pictures and gives every effect the new frame; a main
  // source that is a camera is made again at the new size. E_INVALIDARG for sizes that are
  // not positive, E_OUTOFMEMORY when the pictures cannot be made; the old size stays.
  HRESULT SetOutputSize(int32_t width, int32_t height);
  // Rates are held within 0..1000; restarts the timer once initialised.
  HRESULT SetFrameRate(int32_t framesPerSecond);
  // Loads "res\images\source1..4.png" of the program folder as stock pictures 0-3 (a file
  // that cannot be loaded leaves an empty picture), makes the main source and the drawing
  // board, and marks the compositor initialised.
  HRESULT LoadStockImages();
  // Starts the timer and the main source.
  HRESULT Start();
  HRESULT EnableEffects(BOOL enable);
  // Housekeeping from the program's 300 ms timer: finished effects are deleted, then every
  // effect does its idle work.
  HRESULT Tick();
  void OnTimer(UINT timerId) override;

  // --- Effect lists and property routing -------------------------------------------------
  // -1 main source, -2 drawing board, -16-n extra layer n (made on demand, n < 64), any
  // other id the user effect of that id; null when none. The caller holds the lock.
  CEffect* FindModule(int32_t moduleId);
  HRESULT GetProperty(int32_t moduleId, int32_t propertyId, std::string& value);
  HRESULT SetProperty(int32_t moduleId, int32_t propertyId, const std::string& value);
  HRESULT OpenElementFile(int32_t moduleId, const std::string& path);
  HRESULT LoadElementSource(int32_t moduleId, const std::string& path);
  HRESULT DrawElementFrame(int32_t moduleId, HDC dc, int x, int y, int cx, int cy);
  // Texts may be null. The new effect replaces one of the same file path and, unless its
  // kind is flagged multiple, every effect of its kind; it is selected and drawn last.
  HRESULT AddEffect(const char* path, const char* kind, const char* category, const char* name);
  HRESULT SaveEffect(int32_t moduleId, const char* kind, const char* category, const char* name,
                     const char* path);
  HRESULT RemoveEffect(int32_t effectId);
  HRESULT ClearEffects();
  HRESULT RemoveEffectsOfKind(const std::string& kind);
  // 0 when an effect was removed, 1 when none matched.
  HRESULT RemoveEffectByPath(const std::string& path);
  HRESULT RemoveBackgroundEffects();
  HRESULT SelectEffect(int32_t effectId);
  int32_t GetSelectedEffect();
  // Six texts per user effect in list order: file path, name, category, kind, id, on top.
  void GetEffectList(std::vector<std::string>& texts, int* selectedIndex);
  HRESULT SetEffectOnTop(int32_t effectId, BOOL onTop);
  HRESULT SetKindMultiple(const std::string& kind, BOOL multiple);
  BOOL GetKindMultiple(const std::string& kind);
  HRESULT SetKindOrder(const std::vector<std::string>& kinds);
  HRESULT SetSortByKind(BOOL sort);
  // "delta|index|index...": the effects at the indexes move by delta places.
  HRESULT Reorder(const std::string& moves);

  // --- Preview ---------------------------------------------------------------------------
  // Hands over the window the frames are painted into (null: none). The swap happens under
  // the lock, so the frame thread never paints into a device context being released.
  HRESULT SetPreviewWindow(HWND window);
  // Mouse input in output pixels from the preview window: with the flag, for the drawing
  // board (its answer, 0 without board); without it, the effect editing of OnMouse.
  int32_t PreviewMouse(BOOL drawingBoard, UINT message, int32_t x, int32_t y);
  // Grabbing, moving and resizing effects with the mouse (CPreviewEditor::OnMouse).
  int32_t OnMouse(UINT message, int32_t x, int32_t y);
  // A mouse edit is active: the selected effect is outlined in the preview. The main thread
  // alone changes it.
  bool IsEditing() const { return m_editor.IsEditing() != FALSE; }

  // --- Snapshot --------------------------------------------------------------------------
  // Saves the last composed frame to the file in an image library format: the pixels are
  // copied under the lock and encoded after it, so a slow disk never holds up a frame. The
  // file is written only once the picture is encoded; E_FAIL when either step fails.
  HRESULT Snapshot(const std::string& path, int32_t formatId);

  // --- State -----------------------------------------------------------------------------
  // The compositor lock, for callers that read the pictures between frames.
  CMutexHandle& GetLock() { return m_mutex; }
  // The pictures of the last frame; read them under the lock.
  const CDibSurface& GetOutputPicture() const { return *m_output; }
  const CDibSurface& GetPreviewPicture() const { return *m_preview; }
  int32_t GetFrameRate() const { return m_frameRate; }
  // The timer period in force (or last used), in ms.
  UINT GetTimerPeriod() const { return m_timerPeriod; }
  bool IsInitialised() const { return m_initialised != FALSE; }
  bool IsDriverOpen() const { return m_channel.IsOpen(); }
  // Frames composed since construction, by the timer or by Refresh.
  uint32_t GetFramesComposed() const { return m_framesComposed; }
  // Read under the lock.
  size_t GetUserEffectCount() const { return m_userEffects.size(); }
  size_t GetFinishedCount() const { return m_finished.size(); }
  size_t GetLayerCount() const { return m_layers.size(); }
  CEffect* GetMainSource() const { return m_mainSource.get(); }
  CEffect* GetDrawingBoard() const { return m_drawingBoard.get(); }

 private:
  // Effects end through CEffect::Release.
  struct EffectRelease {
    void operator()(CEffect* effect) const;
  };
  using EffectPtr = std::unique_ptr<CEffect, EffectRelease>;

  // One composed frame. Nothing thrown while composing (no memory for an effect's
  // buffers, the picture library failing) leaves it: that frame is skipped, so the camera
  // and the preview keep the last good one, and ENGINE_EVENT_FRAME_ERROR reports it once
  // for each output size. True when the frame was composed.
  bool FrameStep();
  // Clear, render (unless effects are off), send, preview.
  void ComposeFrame(CDibSurface& output);
  void RenderFrame();
  // Expired user effects go to the finished list (not while a mouse edit is active).
  void MoveFinished();
  // The edit outline on the preview picture while a mouse edit is active.
  void DrawSelection();
  HRESULT CreateBuiltIns();
  void StartTimer();
  RECT FrameRect() const;
  CEffect* AddLayer();
  // Index of the user effect with that id, or -1.
  int FindUserIndex(int32_t effectId) const;
  // Takes the user effect at the index out of the list; the selection moves to its
  // neighbour (the one before it, else the one after it) and the changed flag is set.
  EffectPtr TakeUserEffect(size_t index);
  // Stable sort of the user effects by the rank of their kind in the kind order.
  void SortByKind();
  int KindRank(const std::string& kind) const;
  // WM_ENGINE_EVENT, WParam 0, LParam 1 or 0.
  void PostEffectsChanged(BOOL selectionChanged);

  // The compositor as the mouse editor sees it; the caller of the editor holds the lock.
  class CEditHost : public IPreviewEditHost {
   public:
    explicit CEditHost(CEffectCompositor& compositor) : m_compositor(compositor) {}
    size_t UserEffectCount() override;
    CEffect* UserEffectAt(size_t index) override;
    size_t LayerCount() override;
    CEffect* LayerAt(size_t index) override;
    CEffect* GetSelection() override;
    void SetSelection(CEffect* effect) override;
    void PostEffectsChanged(BOOL selectionChanged) override;

   private:
    CEffectCompositor& m_compositor;
  };

  std::unique_ptr<CDibSurface> m_output;   // 24-bit, output size, HALFTONE stretching
  std::unique_ptr<CDibSurface> m_preview;  // the output plus the edit outline
  CDriverChannel m_channel;
  CPreviewWindow m_previewWindow;
  IVDEngineSink* m_sink;
  BOOL m_effectsOn = TRUE;
  // Follows the face on frames with a face-attached effect; cascades loaded at construction.
  std::unique_ptr<CFaceTracker> m_faceTracker;
  // Mouse editing: the editing and dragging flags, the grip zone, the drag start point and
  // the start and current rectangles.
  CEditHost m_editHost{*this};
  CPreviewEditor m_editor{m_editHost};
  int32_t m_width = 0;
  int32_t m_height = 0;
  std::atomic<int32_t> m_frameRate{0};
  UINT m_timerPeriod = kIdlePeriodMs;
  CDibSurface m_stock[kStockImageCount];
  CMutexHandle m_mutex;
  CEffect* m_selected = nullptr;  // a user effect or an extra layer, or null
  std::vector<EffectPtr> m_finished;
  std::vector<EffectPtr> m_userEffects;  // drawing order
  std::vector<EffectPtr> m_layers;       // layer n has id -16-n
  EffectPtr m_mainSource;
  EffectPtr m_drawingBoard;
  int32_t m_idCounter = 0;
  BOOL m_changed = FALSE;
  CSortedStringArray m_kindNames;       // looked up without regard to case
  std::vector<uint8_t> m_kindMultiple;  // one flag per kind name
  CSortedStringArray m_kindOrder;
  BOOL m_sortByKind = FALSE;
  std::atomic<BOOL> m_initialised{FALSE};
  std::atomic<BOOL> m_refreshEnabled{FALSE};
  std::atomic<BOOL> m_running{FALSE};
  // A frame is being composed on the thread that holds the lock.
  bool m_composing = false;
  // A skipped frame was reported since the output size was last set (under the lock).
  bool m_frameErrorReported = false;
  std::atomic<uint32_t> m_framesComposed{0};
};
