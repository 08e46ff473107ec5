// CPixelFilter: what every pixel filter element shares. A filter has no picture of its
// own: an effect that holds one changes the pixels of the composed output frame inside the
// effect's rectangle. Its settings are 32-bit integers, each with a property id that also
// keys its item in effect files, set and read as decimal text and held to a range.
//
// Settings change on the main thread and frames are filtered on the frame thread; the
// compositor's lock keeps the two apart, so a setting never changes within a frame.
#pragma once

#include <windows.h>

#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "engine/elements/FrameElement.h"

class CDibSurface;

class CPixelFilter : public CFrameElement {
 public:
  // Own ids answer in decimal; other ids E_FAIL, so that the next holder is asked.
  HRESULT GetProperty(int32_t id, std::string& value) override;
  // Own ids: the number in the text (0 without one) held to the setting's range, stored
  // and announced; S_OK. Other ids E_FAIL.
  HRESULT SetProperty(int32_t id, const std::string& value) override;
  // Each setting from its integer item, the current value the default. Stored values are
  // held to the same ranges as set values: a file cannot bring a value the filter's
  // arithmetic is not made for.
  HRESULT Load(CPackageFile* package) override;
  HRESULT Save(CPackageFile* package) override;
  HRESULT Open(const std::string& path) override;  // nothing to open; 0
  HRESULT LockFrame(CFrameContext* context, CFrameLock* lock) override;  // S_FALSE: no picture
  HRESULT UnlockFrame() override;
  // Filters the context's output picture (24 bits) inside the destination clipped to the
  // picture; 0. Nothing happens for another depth or an empty clipped rectangle.
  HRESULT Render(CFrameContext* context, const RECT& destination) override;
  BOOL IsFilter() override;
  HRESULT GetSize(int32_t* width, int32_t* height) override;  // 0 x 0
  HRESULT AnnounceProperties() override;

 protected:
  ~CPixelFilter() override = default;

  // A setting: its id, where it lives, and the range set and loaded values are held to.
  struct Setting {
    int32_t id;
    int32_t* value;
    int32_t low;
    int32_t high;
  };
  // Declares the settings in announcement and save order; done once by the constructor.
  void AddSetting(int32_t id, int32_t* value, int32_t low, int32_t high);
  // A colour reference 0x00BBGGRR (or any number): not held to a range.
  void AddColorSetting(int32_t id, int32_t* value);
  const Setting* FindSetting(int32_t id) const;

  // Changes `picture` (24 bits) in place inside `rect`, which lies inside the picture and
  // is not empty. `destination` is the rectangle as the effect passed it, before clipping.
  virtual void Filter(CDibSurface& picture, const RECT& rect, const RECT& destination) = 0;

  // The buffers a filter keeps for the frame size, made when the size changes: `make`
  // makes them for width x height (nothing when they fit already) and answers false when
  // a picture could not be made; it may throw std::bad_alloc. When it fails, `drop` frees
  // what was made, so that the filter leaves frames of that size alone, and the size is
  // not tried again until it changes (a failed allocation is not repeated on every frame).
  // The failure goes on as std::bad_alloc, for the frame to report.
  template <typename Make, typename Drop>
  void MakeSizedBuffers(int32_t width, int32_t height, Make make, Drop drop) {
    if (width == m_refusedWidth && height == m_refusedHeight) return;
    bool made = false;
    try {
      made = make();
    } catch (const std::bad_alloc&) {
      made = false;
    }
    if (made) {
      m_refusedWidth = m_refusedHeight = -1;
      return;
    }
    drop();
    m_refusedWidth = width;
    m_refusedHeight = height;
    throw std::bad_alloc();
  }
  // The common case: `copy` a 24-bit working picture of the frame size.
  void MakeWorkingCopy(CDibSurface& copy, int32_t width, int32_t height);

 private:
  std::vector<Setting> m_settings;
  // The last frame size whose buffers could not be made; -1 x -1 when none.
  int32_t m_refusedWidth = -1;
  int32_t m_refusedHeight = -1;
};

// Helpers of the filters.

// Makes `surface` a 24-bit picture of width x height with zero pixels, unless it already
// is one of that size (then it is kept as it is). False for a size that cannot be made.
bool FitWorkingPicture(CDibSurface& surface, int width, int height);
// True when both are 24-bit pictures of the same size.
bool IsSameFrame(const CDibSurface& a, const CDibSurface& b);
// Copies every pixel of `source` into `dest`; both must be IsSameFrame.
void CopyFrame(CDibSurface& dest, const CDibSurface& source);
// Copies the rectangle (left, top, width, height in top-down coordinates) of `source` at
// (x, y) of `dest`, both IsSameFrame; the parts whose source or destination lies outside
// the pictures are left out, so those destination pixels keep what they hold.
void CopyFrameRect(CDibSurface& dest, int x, int y, int width, int height,
                   const CDibSurface& source, int sourceX, int sourceY);

// The byte of a colour reference 0x00BBGGRR that goes with a pixel byte: 0 blue, 1 green,
// 2 red (the order of a pixel's bytes).
inline int ColorByte(int32_t colour, int channel) {
  return static_cast<int>((static_cast<uint32_t>(colour) >> (8 * (2 - channel))) & 0xFF);
}
