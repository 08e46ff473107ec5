// CEffect: one layer of the composed picture and the document of an effect file ("efc").
// It carries identity texts, a version, a thumbnail, a layout that places it in the frame,
// a lifetime that times it, a source proxy holding its one picture element and, while
// segmentation is on, a background segmenter. It draws itself into the frame with its
// entrance transition, blend mode, face attachment and segmentation mask, answers and
// changes properties by id (layout first, then lifetime, then the source, then the
// segmenter, then its own ids), and loads and saves itself as a package tagged "FCEC".
//
// Every operation but Render, RequestRefresh and NotifyHost runs on the main thread under
// the compositor's lock; Render runs on the frame thread under the same lock.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/DibSurface.h"
#include "engine/base/PackageFile.h"
#include "engine/effects/EffectLayout.h"
#include "engine/effects/EffectLifetime.h"
#include "engine/effects/PropertyNotify.h"
#include "engine/elements/SourceProxy.h"

class CBackgroundSegmenter;
class IEffectHost;
struct CFrameContext;

// Blend modes (PROP_EFFECT_BLEND_MODE).
constexpr int BLEND_ALPHA = 0;
constexpr int BLEND_LUMA = 1;
constexpr int BLEND_INVERSE_LUMA = 2;
constexpr int BLEND_ADD = 3;

// The tag of effect files.
constexpr uint32_t kEffectFileTag = MakePackageTag("FCEC");

class CEffect : public IPropertyNotify {
 public:
  // The version every effect file is written with; files of 100 or less are old.
  static constexpr int kVersion = 0x1000000;
  static constexpr int kOldVersionLimit = 100;
  // The entrance transition runs over the first two seconds.
  static constexpr int kTransitionMs = 2000;
  static constexpr int kThumbnailWidth = 72;
  static constexpr int kThumbnailHeight = 54;

  CEffect();
  CEffect(const CEffect&) = delete;
  CEffect& operator=(const CEffect&) = delete;

  // Properties by id: the layout, the lifetime and the source are asked first; the first
  // result that is not negative answers. E_FAIL when no part knows the id.
  virtual HRESULT GetProperty(int32_t id, std::string& value);
  virtual HRESULT SetProperty(int32_t id, const std::string& value);
  // Reports a property change of this effect to the host; 0.
  HRESULT NotifyChange(int32_t id) override;
  // Main source only: passed on to the host (0); other effects 1.
  virtual HRESULT RequestRefresh();
  virtual HRESULT SetRefreshEnabled(BOOL enabled);
  virtual BOOL IsExpired();
  virtual const std::string& GetName() const;
  virtual const std::string& GetCategory() const;
  virtual HRESULT SetName(const std::string& name);
  virtual HRESULT SetCategory(const std::string& category);
  virtual HRESULT SetKind(const std::string& kind);
  virtual const std::string& GetExtra() const;
  virtual const std::string& GetFilePath() const;
  virtual int GetVersion() const;
  virtual int GetAppVersion() const;
  virtual const std::string& GetKind() const;
  // Draws the effect into the context's output picture: 0 drawn (or deliberately not),
  // 1 when the source had no picture.
  virtual HRESULT Render(CFrameContext* context);
  virtual HRESULT OnIdle();
  // Deletes the effect.
  virtual void Release();
  virtual void SetPaused(BOOL paused);
  virtual BOOL IsPaused() const;
  // Restarts the clock and starts the element, once until Stop.
  virtual HRESULT Start();
  virtual HRESULT Stop();
  // Makes the 72 x 54 thumbnail: a copy of the host's output for colour -1, else the
  // source's picture on that colour ("res\effect.png" of the program folder without one),
  // and keeps its PNG form for the effect file.
  virtual HRESULT MakeThumbnail(int32_t colour);
  virtual RECT GetRect() const;
  virtual HRESULT SetRect(const RECT& rect);
  virtual HRESULT SaveToFile(const std::string& path);
  // An effect file replaces the whole effect; any other path becomes its source.
  virtual HRESULT OpenFile(const std::string& path);
  // Takes only the source of an effect file.
  virtual HRESULT LoadElementFromFile(const std::string& path);
  virtual HRESULT Load(CPackageFile& package);
  virtual BOOL IsFaceAttached() const;
  virtual HRESULT SetFrameRect(const RECT& rect);
  virtual int32_t GetId() const;
  virtual void SetId(int32_t id);
  virtual HRESULT SetIdAndPlace(int32_t id);
  virtual HRESULT SetHost(IEffectHost* host);
  virtual HRESULT Save(CPackageFile& package);
  virtual HRESULT SetMainSource(BOOL mainSource);
  virtual HRESULT Reset();
  virtual HRESULT ApplyPreset(int preset);
  virtual HRESULT SetKeepAspect(BOOL keep);
  virtual HRESULT MouseInput(UINT message, int32_t x, int32_t y);
  // Sizes the layout to the element's picture in pixels and places it anew.
  virtual HRESULT FitToSource();
  virtual BOOL IsOnTop() const;
  virtual void SetOnTop(BOOL onTop);
  virtual HRESULT NotifyHost(int32_t code, const std::string& text);
  virtual void GetOutputSize(int32_t* width, int32_t* height);
  virtual IEffectHost* GetHost() const;
  virtual BOOL HasNoElement() const;
  virtual BOOL IsBackground() const;
  // On: makes the segmenter (when there is none) and reports PROP_SEGMENT_READY; off:
  // deletes it. Then reports PROP_SEGMENT_ENABLE. S_FALSE when nothing changes.
  virtual HRESULT EnableSegmentation(BOOL enable);
  // Stretches the source's picture into the rectangle of the device context, or fills it
  // black when there is none.
  virtual HRESULT PaintPreview(HDC dc, int x, int y, int cx, int cy);
  virtual CSourceProxy& GetSourceProxy();
  virtual ~CEffect();
  // 256 at the start, falling to 1 over the first two seconds, then 0.
  virtual int GetTransitionLevel() const;

  CEffectLayout& GetLayout() { return m_layout; }
  CEffectLifetime& GetLifetime() { return m_lifetime; }
  int GetBlendMode() const { return m_blendMode; }
  BOOL IsStarted() const { return m_started; }
  BOOL IsMainSource() const { return m_mainSource; }
  BOOL IsSegmentationOn() const { return m_segmentation; }
  CBackgroundSegmenter* GetSegmenter() const { return m_segmenter.get(); }
  // The thumbnail picture made by MakeThumbnail (empty before).
  CDibSurface& GetThumbnail() { return m_thumbnail; }
  // The thumbnail as stored in the effect file.
  const std::vector<uint8_t>& GetThumbnailBytes() const { return m_thumbnailBytes; }

 private:
  HRESULT GetOwnProperty(int32_t id, std::string& value);
  HRESULT SetOwnProperty(int32_t id, const std::string& value);
  // Gives the layout the source size and, unless paused, the running time, and places it.
  void PlaceForFrame(int32_t sourceWidth, int32_t sourceHeight);

  std::string m_name;
  std::string m_category;
  std::string m_kind;
  std::string m_extra;
  std::string m_filePath;
  int m_version = kVersion;
  int m_appVersion = 0;
  int m_blendMode = BLEND_ALPHA;
  BOOL m_started = FALSE;
  int32_t m_id = 0;
  BOOL m_mainSource = FALSE;
  BOOL m_background = FALSE;
  BOOL m_segmentation = FALSE;
  std::vector<uint8_t> m_thumbnailBytes;
  CDibSurface m_thumbnail;
  CEffectLayout m_layout;
  CEffectLifetime m_lifetime;
  CSourceProxy m_proxy;
  std::unique_ptr<CBackgroundSegmenter> m_segmenter;  // goes before the source's element
  BOOL m_onTop = FALSE;
  IEffectHost* m_host = nullptr;
};
