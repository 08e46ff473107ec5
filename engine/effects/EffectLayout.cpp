#include "engine/effects/EffectLayout.h"

#include <cstdlib>

#include "engine/base/PackageFile.h"
#include "engine/base/Random.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/PropertyIds.h"
#include "engine/effects/PropertyNotify.h"

namespace {

int32_t ClampToInt(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

int64_t Clamp64(int64_t value, int64_t low, int64_t high) {
  return value < low ? low : (value > high ? high : value);
}

// Division rounding toward minus infinity (centring uses it; everything else truncates).
int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

RECT MakeRect64(int64_t left, int64_t top, int64_t width, int64_t height) {
  RECT rect;
  rect.left = ClampToInt(left);
  rect.top = ClampToInt(top);
  rect.right = ClampToInt(left + width);
  rect.bottom = ClampToInt(top + height);
  return rect;
}

}  // namespace

CEffectLayout::CEffectLayout(IPropertyNotify* effect) : m_effect(effect) {}

HRESULT CEffectLayout::NotifyChange(int32_t id) {
  return m_effect ? m_effect->NotifyChange(id) : S_OK;
}

void CEffectLayout::SetSourceSize(int width, int height) {
  m_sourceWidth = width;
  m_sourceHeight = height;
}

int64_t CEffectLayout::ComputeSize(int mode, int value, int64_t frame, int64_t source) const {
  int64_t size;
  switch (mode) {
    case SIZE_PIXELS:
      size = value;
      break;
    case SIZE_PERCENT_OF_FRAME:
      size = frame * value / 100;
      break;
    case SIZE_PERCENT_OF_SOURCE:
      size = source * value / 100;
      break;
    default:
      size = frame;
      break;
  }
  // A negative size would turn the rectangle inside out; an endless one would overflow it.
  return Clamp64(size, 0, kMaxSide);
}

int64_t CEffectLayout::ComputePosition(int mode, int value, int64_t size, int64_t low, int64_t high,
                                       int64_t previous, bool newRandomPosition) const {
  const int64_t frame = high - low;
  const int64_t elapsed = m_elapsed;
  switch (mode) {
    case PLACE_OFFSET:
      return low + value;
    case PLACE_CENTER:
      return low + FloorDiv(frame - size, 2);
    case PLACE_FAR:
      return high - size;
    case PLACE_RANDOM:
      if (!newRandomPosition) return previous;
      return size < frame ? low + NextRandom() % (frame - size) : low;
    case PLACE_BOUNCE: {
      // Back and forth across the free space at speed * 10 pixels per second.
      const int64_t speed = LimitToRange(value, 1, 10);
      const int64_t gap = frame > size ? frame - size : size - frame;
      if (gap == 0) return 0;
      const int64_t base = size < frame ? low : low - gap;
      const int64_t t = (speed * elapsed / 100) % (2 * gap) - gap;
      return base + (t < 0 ? -t : t);
    }
    case PLACE_SCROLL: {
      // Across the frame and out of it, then again from the start edge.
      int64_t speed = LimitToRange(value, -10, 10);
      if (speed == 0) speed = -1;
      const int64_t span = high + size - low;
      if (span == 0) return 0;
      const int64_t offset = (speed * elapsed / 100) % span;
      return speed < 1 ? offset + frame : offset + low;
    }
    case PLACE_PERCENT:
      return low + frame * value / 100;
    default:  // PLACE_NEAR and unknown modes
      return low;
  }
}

void CEffectLayout::Compute(bool newRandomPosition) {
  const int64_t fl = m_frame.left, ft = m_frame.top, fr = m_frame.right, fb = m_frame.bottom;
  const int64_t w = ComputeSize(m_widthMode, m_width, fr - fl, m_sourceWidth);
  const int64_t h = ComputeSize(m_heightMode, m_height, fb - ft, m_sourceHeight);
  const int64_t x = ComputePosition(m_xMode, m_x, w, fl, fr, m_placement.left, newRandomPosition);
  const int64_t y = ComputePosition(m_yMode, m_y, h, ft, fb, m_placement.top, newRandomPosition);

  m_placement = MakeRect64(x, y, w, h);
  m_drawn = m_placement;
  if (m_keepAspect) {
    const SIZE fitted =
        FitSize(m_sourceWidth, m_sourceHeight, static_cast<int>(w), static_cast<int>(h));
    m_drawn = MakeRect64(x + (w - fitted.cx) / 2, y + (h - fitted.cy) / 2, fitted.cx, fitted.cy);
  }
}

void CEffectLayout::SetPlacementRect(const RECT& rect) {
  m_xMode = m_yMode = PLACE_OFFSET;
  m_widthMode = m_heightMode = SIZE_PIXELS;
  m_x = rect.left;
  m_y = rect.top;
  m_width = ClampToInt(int64_t{rect.right} - rect.left);
  m_height = ClampToInt(int64_t{rect.bottom} - rect.top);
  for (int32_t id : {PROP_LAYOUT_X_MODE, PROP_LAYOUT_Y_MODE, PROP_LAYOUT_X, PROP_LAYOUT_Y,
                     PROP_LAYOUT_WIDTH, PROP_LAYOUT_HEIGHT}) {
    NotifyChange(id);
  }
}

void CEffectLayout::SetSize(int width, int height, int widthMode, int heightMode) {
  m_width = width;
  m_height = height;
  m_widthMode = widthMode;
  m_heightMode = heightMode;
}

void CEffectLayout::ApplyPreset(int preset) {
  auto corner = [this](int x, int y) {
    m_width = m_height = 46;
    m_widthMode = m_heightMode = SIZE_PERCENT_OF_FRAME;
    m_xMode = m_yMode = PLACE_PERCENT;
    m_x = x;
    m_y = y;
  };
  auto wholeFrame = [this]() {
    m_width = m_height = 100;
    m_widthMode = m_heightMode = SIZE_PERCENT_OF_FRAME;
    m_xMode = m_yMode = PLACE_OFFSET;
    m_x = m_y = 0;
  };
  auto sourceSize = [this]() {
    m_width = m_height = 100;
    m_widthMode = m_heightMode = SIZE_PERCENT_OF_SOURCE;
  };
  switch (preset) {
    case 0:
      wholeFrame();
      break;
    case 1:
      corner(2, 2);
      break;
    case 2:
      corner(2, 52);
      break;
    case 3:
      corner(52, 2);
      break;
    case 4:
      corner(52, 52);
      break;
    case 5:
      corner(27, 27);
      break;
    case 6:
      m_xMode = PLACE_BOUNCE;
      m_yMode = PLACE_FAR;
      m_x = m_y = 3;
      break;
    case 7:
      m_xMode = m_yMode = PLACE_CENTER;
      break;
    case 8:
      m_faceAttach = 1;
      m_x = m_y = 3;
      break;
    case 9:
      wholeFrame();
      m_keepAspect = TRUE;
      break;
    case 10:
      sourceSize();
      break;
    case 11:
      m_textFit = TRUE;
      sourceSize();
      break;
    default:
      return;
  }
  Compute(false);
}

void CEffectLayout::UpgradeOldSize() {
  if (m_widthMode == SIZE_PIXELS && m_heightMode == SIZE_PIXELS && m_width == 320 &&
      m_height == 240) {
    m_widthMode = m_heightMode = SIZE_PERCENT_OF_FRAME;
    m_width = m_height = 100;
  }
}

void CEffectLayout::SetPositionMode(bool horizontal, int mode) {
  int& modeField = horizontal ? m_xMode : m_yMode;
  int& value = horizontal ? m_x : m_y;
  modeField = mode;
  NotifyChange(horizontal ? PROP_LAYOUT_X_MODE : PROP_LAYOUT_Y_MODE);
  if (mode == PLACE_OFFSET) {
    value = 0;
  } else if (mode == PLACE_BOUNCE || mode == PLACE_SCROLL) {
    value = LimitToRange(value, -10, 10);
    if (value == 0) value = -1;
  }
  NotifyChange(horizontal ? PROP_LAYOUT_X : PROP_LAYOUT_Y);
}

HRESULT CEffectLayout::SetProperty(int32_t id, const std::string& text) {
  const int value = ParseInt(text, 0);
  const int64_t placementWidth = int64_t{m_placement.right} - m_placement.left;
  const int64_t placementHeight = int64_t{m_placement.bottom} - m_placement.top;
  switch (id) {
    case PROP_LAYOUT_WIDTH:
      m_width = value;
      if (m_keepAspect && m_widthMode == SIZE_PIXELS && placementWidth != 0) {
        m_height = ClampToInt(value * placementHeight / placementWidth);
        NotifyChange(PROP_LAYOUT_HEIGHT);
      }
      NotifyChange(PROP_LAYOUT_WIDTH);
      break;
    case PROP_LAYOUT_HEIGHT:
      m_height = value;
      if (m_keepAspect && m_heightMode == SIZE_PIXELS && placementHeight != 0) {
        m_width = ClampToInt(placementWidth * value / placementHeight);
        NotifyChange(PROP_LAYOUT_WIDTH);
      }
      NotifyChange(PROP_LAYOUT_HEIGHT);
      break;
    case PROP_LAYOUT_X:
      m_x = value;
      NotifyChange(id);
      break;
    case PROP_LAYOUT_Y:
      m_y = value;
      NotifyChange(id);
      break;
    case PROP_LAYOUT_X_MODE:
      SetPositionMode(true, value);
      break;
    case PROP_LAYOUT_Y_MODE:
      SetPositionMode(false, value);
      break;
    case PROP_LAYOUT_FACE_ATTACH:
      m_faceAttach = value;
      NotifyChange(id);
      break;
    case PROP_LAYOUT_FACE_SCALE:
      m_faceScale = ClampToInt(100 - int64_t{value});
      NotifyChange(id);
      break;
    case PROP_LAYOUT_WIDTH_MODE:
      m_widthMode = value;
      NotifyChange(id);
      break;
    case PROP_LAYOUT_HEIGHT_MODE:
      m_heightMode = value;
      NotifyChange(id);
      break;
    case PROP_LAYOUT_SHOW_WITHOUT_FACE:
      m_showWithoutFace = value != 0 ? TRUE : FALSE;
      NotifyChange(id);
      break;
    case PROP_LAYOUT_PRESET:
      ApplyPreset(value);
      for (int32_t changed : {PROP_LAYOUT_X_MODE, PROP_LAYOUT_Y_MODE, PROP_LAYOUT_X, PROP_LAYOUT_Y,
                              PROP_LAYOUT_WIDTH_MODE, PROP_LAYOUT_HEIGHT_MODE, PROP_LAYOUT_WIDTH,
                              PROP_LAYOUT_HEIGHT}) {
        NotifyChange(changed);
      }
      break;
    case PROP_LAYOUT_KEEP_ASPECT:
      m_keepAspect = value != 0 ? TRUE : FALSE;
      NotifyChange(PROP_LAYOUT_KEEP_ASPECT);
      NotifyChange(PROP_LAYOUT_TEXT_FIT);
      break;
    case PROP_LAYOUT_QUARTER_RECT: {
      const int64_t w = int64_t{m_frame.right} - m_frame.left;
      const int64_t h = int64_t{m_frame.bottom} - m_frame.top;
      SetPlacementRect(MakeRect64(w / 2 + 5, h / 2, w / 2 - 10, h / 2 - 10));
      break;
    }
    case PROP_LAYOUT_FULL_RECT: {
      const int64_t w = int64_t{m_frame.right} - m_frame.left;
      const int64_t h = int64_t{m_frame.bottom} - m_frame.top;
      SetPlacementRect(MakeRect64(0, 0, w, h));
      break;
    }
    default:
      return E_FAIL;
  }
  Compute(false);
  return S_OK;
}

HRESULT CEffectLayout::GetProperty(int32_t id, std::string& value) {
  switch (id) {
    case PROP_LAYOUT_WIDTH:
      value = IntToText(m_width);
      break;
    case PROP_LAYOUT_HEIGHT:
      value = IntToText(m_height);
      break;
    case PROP_LAYOUT_X:
      value = IntToText(m_x);
      break;
    case PROP_LAYOUT_Y:
      value = IntToText(m_y);
      break;
    case PROP_LAYOUT_X_MODE:
      value = IntToText(m_xMode);
      break;
    case PROP_LAYOUT_Y_MODE:
      value = IntToText(m_yMode);
      break;
    case PROP_LAYOUT_FACE_ATTACH:
      value = IntToText(m_faceAttach);
      break;
    case PROP_LAYOUT_FACE_SCALE:
      value = IntToText(ClampToInt(100 - int64_t{m_faceScale}));
      break;
    case PROP_LAYOUT_WIDTH_MODE:
      value = IntToText(m_widthMode);
      break;
    case PROP_LAYOUT_HEIGHT_MODE:
      value = IntToText(m_heightMode);
      break;
    case PROP_LAYOUT_SHOW_WITHOUT_FACE:
      value = BoolToText(m_showWithoutFace);
      break;
    case PROP_LAYOUT_KEEP_ASPECT:
      value = BoolToText(m_keepAspect);
      break;
    case PROP_LAYOUT_TEXT_FIT:
      value = BoolToText(m_textFit);
      break;
    default:
      return E_FAIL;
  }
  return S_OK;
}

HRESULT CEffectLayout::Save(CPackageFile& package) const {
  package.SetInt(PROP_LAYOUT_FACE_ATTACH, m_faceAttach);
  if (m_faceAttach == 1) package.SetInt(PROP_LAYOUT_FACE_SCALE, m_faceScale);
  package.SetInt(PROP_LAYOUT_X_MODE, m_xMode);
  package.SetInt(PROP_LAYOUT_Y_MODE, m_yMode);
  package.SetInt(PROP_LAYOUT_X, m_x);
  package.SetInt(PROP_LAYOUT_Y, m_y);
  package.SetInt(PROP_LAYOUT_WIDTH_MODE, m_widthMode);
  package.SetInt(PROP_LAYOUT_HEIGHT_MODE, m_heightMode);
  package.SetInt(PROP_LAYOUT_WIDTH, m_width);
  package.SetInt(PROP_LAYOUT_HEIGHT, m_height);
  package.SetBool(PROP_LAYOUT_SHOW_WITHOUT_FACE, m_showWithoutFace);
  package.SetBool(PROP_LAYOUT_KEEP_ASPECT, m_keepAspect);
  return S_OK;
}

HRESULT CEffectLayout::Load(const CPackageFile& package) {
  m_faceAttach = package.GetInt(PROP_LAYOUT_FACE_ATTACH, m_faceAttach);
  if (m_faceAttach == 1) m_faceScale = package.GetInt(PROP_LAYOUT_FACE_SCALE, m_faceScale);
  m_xMode = package.GetInt(PROP_LAYOUT_X_MODE, m_xMode);
  m_yMode = package.GetInt(PROP_LAYOUT_Y_MODE, m_yMode);
  m_x = package.GetInt(PROP_LAYOUT_X, m_x);
  m_y = package.GetInt(PROP_LAYOUT_Y, m_y);
  m_widthMode = package.GetInt(PROP_LAYOUT_WIDTH_MODE, SIZE_PIXELS);
  m_heightMode = package.GetInt(PROP_LAYOUT_HEIGHT_MODE, SIZE_PIXELS);
  m_width = package.GetInt(PROP_LAYOUT_WIDTH, m_width);
  m_height = package.GetInt(PROP_LAYOUT_HEIGHT, m_height);
  m_showWithoutFace = package.GetInt(PROP_LAYOUT_SHOW_WITHOUT_FACE, m_showWithoutFace) != 0;
  m_keepAspect = package.GetInt(PROP_LAYOUT_KEEP_ASPECT, m_keepAspect) != 0;
  return S_OK;
}
