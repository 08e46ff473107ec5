// A still or animated picture (ELEMENT_IMAGE): a picture file opened from a playlist or a
// path, or the picture of an effect file (frames, stickers, masks). Every frame is a band
// of one 32-bit frame strip, frame 0 at the top, each with a delay in milliseconds; the
// element's own clock picks the band that LockFrame hands out. Pictures given by property
// or read from an effect file are also kept encoded as PNG, so that Save can store them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/elements/FrameElement.h"
#include "engine/picture/FrameStrip.h"

class CImageSource : public CFrameElement {
 public:
  // The frame count property keeps to 1..100.
  static constexpr int32_t kMaxFrameCountProperty = 100;
  // A band is at least one row high, so no picture holds more frames than the tallest
  // surface has rows; larger counts from effect files are refused, from texts limited.
  static constexpr int32_t kMaxFrameCount = CDibSurface::kMaxSide;
  // How long a single picture opened from a file lasts.
  static constexpr uint32_t kStillDelay = 3000;

  CImageSource();

  HRESULT GetProperty(int32_t id, std::string& value) override;
  HRESULT SetProperty(int32_t id, const std::string& value) override;
  HRESULT Load(CPackageFile* package) override;
  HRESULT Open(const std::string& path) override;
  HRESULT Save(CPackageFile* package) override;
  HRESULT LockFrame(CFrameContext* context, CFrameLock* lock) override;
  HRESULT UnlockFrame() override;
  HRESULT Render(CFrameContext* context, const RECT& destination) override;
  BOOL IsFilter() override;
  HRESULT GetSize(int32_t* width, int32_t* height) override;
  HRESULT SetPosition(int32_t milliseconds) override;
  HRESULT Play() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  // The frame step: the clock step, then, while playing, the frame of the elapsed time.
  virtual void StepFrame();

  // The band LockFrame hands out; -1 without frames.
  int32_t GetCurrentFrame() const { return m_currentFrame; }
  // Length of one pass of the animation: the sum of the delays.
  int64_t GetTotalTime() const { return m_totalTime; }
  const CFrameStrip& GetStrip() const { return *m_strip; }
  const std::vector<uint8_t>& GetPictureBytes() const { return m_pictureBytes; }

 protected:
  ~CImageSource() override;

 private:
  // Sums the delays and selects the frame of the elapsed time; after every change of the
  // frame count or the delays.
  void FramesChanged();
  void SelectFrame();
  // Loading by property: "count|delays|path".
  void LoadByText(const std::string& value);
  // The height of one band; 0 without frames.
  int32_t FrameHeight() const;

  std::vector<uint8_t> m_pictureBytes;
  std::unique_ptr<CFrameStrip> m_strip;  // never null
  int32_t m_currentFrame = 0;
  int64_t m_totalTime = 0;
};
