#include "engine/elements/ScreenSource.h"

#include "engine/base/ModuleValues.h"
#include "engine/base/PackageFile.h"
#include "engine/base/SystemUtils.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/PropertyIds.h"

namespace {

LONG ClampToLong(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<LONG>(value);
}

RECT RectOf(int64_t left, int64_t top, int64_t width, int64_t height) {
  RECT rect;
  rect.left = ClampToLong(left);
  rect.top = ClampToLong(top);
  rect.right = ClampToLong(left + width);
  rect.bottom = ClampToLong(top + height);
  return rect;
}

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

// The ids the source announces and stores, in order.
constexpr int32_t kStoredIds[] = {PROP_SCREEN_MODE,         PROP_SCREEN_CURSOR, PROP_SCREEN_LEFT,
                                  PROP_SCREEN_TOP,          PROP_SCREEN_WIDTH,  PROP_SCREEN_HEIGHT,
                                  PROP_SCREEN_FRAME_DIVIDER};

}  // namespace

CScreenSource::CScreenSource() {
  const SIZE size = GetModuleOutputSize();
  m_width = size.cx;
  m_height = size.cy;
}

CScreenSource::~CScreenSource() = default;

bool CScreenSource::IsCopyFrame(uint32_t counter, int32_t divider) {
  // The divider's absolute value counts, 0 as 1; 1 copies every frame.
  int64_t d = divider < 0 ? -int64_t{divider} : int64_t{divider};
  if (d == 0) d = 1;
  return d == 1 || counter % d == 1;
}

RECT CScreenSource::GetCaptureRect(const POINT& cursor) const {
  switch (m_mode) {
    case SCREEN_DESKTOP:
      return GetDesktopRect();
    case SCREEN_RECTANGLE:
      return RectOf(m_left, m_top, m_width, m_height);
    case SCREEN_AROUND_MOUSE:
      return RectOf(int64_t{cursor.x} - m_width / 2, int64_t{cursor.y} - m_height / 2, m_width,
                    m_height);
    case SCREEN_WINDOW: {
      RECT rect = {0, 0, 0, 0};
      HWND window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(m_window));
      if (!m_window || !IsWindow(window) || !GetWindowRect(window, &rect)) rect = RECT{0, 0, 0, 0};
      return rect;
    }
    default:
      return RECT{0, 0, 0, 0};
  }
}

void CScreenSource::Copy(const RECT& rect, const POINT& cursor) {
  m_picture.Clear();
  HDC target = m_picture.GetDC();
  if (!target) return;
  HWND desktop = GetDesktopWindow();
  if (HDC screen = GetDC(desktop)) {
    BitBlt(target, 0, 0, rect.right - rect.left, rect.bottom - rect.top, screen, rect.left,
           rect.top, SRCCOPY | CAPTUREBLT);
    ReleaseDC(desktop, screen);
  }
  if (m_cursor) {
    HCURSOR current = GetCurrentCursor();
    if (current && PtInRect(&rect, cursor)) {
      ICONINFO info = {};
      if (GetIconInfo(current, &info)) {
        if (info.hbmMask) DeleteObject(info.hbmMask);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        DrawIconEx(target, cursor.x - static_cast<int>(info.xHotspot) - rect.left,
                   cursor.y - static_cast<int>(info.yHotspot) - rect.top, current, 0, 0, 0, nullptr,
                   DI_NORMAL | DI_COMPAT);
      }
    }
  }
  GdiFlush();  // the pixels are read directly afterwards
}

HRESULT CScreenSource::LockFrame(CFrameContext*, CFrameLock* lock) {
  POINT cursor = {0, 0};
  if (!GetCursorPos(&cursor)) cursor = POINT{0, 0};
  const RECT rect = GetCaptureRect(cursor);
  if (IsEmpty(rect)) return S_OK;

  const int64_t width = int64_t{rect.right} - rect.left;
  const int64_t height = int64_t{rect.bottom} - rect.top;
  if (!m_picture.GetBits() || m_picture.GetWidth() != width || m_picture.GetHeight() != height) {
    // Sizes beyond what a surface may have give no picture rather than a huge allocation.
    if (width > CDibSurface::kMaxSide || height > CDibSurface::kMaxSide ||
        !m_picture.Create(static_cast<int>(width), static_cast<int>(height), 24)) {
      m_picture.Free();
      return S_OK;
    }
  }
  if (IsCopyFrame(m_frameCounter, m_divider)) Copy(rect, cursor);
  ++m_frameCounter;
  if (lock) lock->picture = &m_picture;
  return S_OK;
}

HRESULT CScreenSource::UnlockFrame() { return S_OK; }

HRESULT CScreenSource::Render(CFrameContext*, const RECT&) { return E_FAIL; }

BOOL CScreenSource::IsFilter() { return FALSE; }

HRESULT CScreenSource::GetSize(int32_t* width, int32_t* height) {
  if (width) *width = m_picture.GetWidth();
  if (height) *height = m_picture.GetHeight();
  return S_OK;
}

int32_t* CScreenSource::Field(int32_t id) {
  switch (id) {
    case PROP_SCREEN_MODE:
      return &m_mode;
    case PROP_SCREEN_CURSOR:
      return &m_cursor;
    case PROP_SCREEN_LEFT:
      return &m_left;
    case PROP_SCREEN_TOP:
      return &m_top;
    case PROP_SCREEN_WIDTH:
      return &m_width;
    case PROP_SCREEN_HEIGHT:
      return &m_height;
    case PROP_SCREEN_WINDOW:
      return &m_window;
    case PROP_SCREEN_FRAME_DIVIDER:
      return &m_divider;
    default:
      return nullptr;
  }
}

int32_t CScreenSource::Limit(int32_t id, int32_t value) {
  if (id == PROP_SCREEN_MODE) return LimitToRange(value, SCREEN_DESKTOP, SCREEN_WINDOW);
  if (id == PROP_SCREEN_CURSOR) return LimitToRange(value, 0, 1);
  return value;  // position, size, window and divider are taken as they are
}

HRESULT CScreenSource::GetProperty(int32_t id, std::string& value) {
  const int32_t* field = Field(id);
  if (!field) return E_FAIL;
  value = IntToText(*field);
  return S_OK;
}

HRESULT CScreenSource::SetProperty(int32_t id, const std::string& value) {
  int32_t* field = Field(id);
  if (!field) return E_FAIL;
  *field = Limit(id, ParseInt(value, 0));
  NotifyChange(id);
  return S_OK;
}

HRESULT CScreenSource::Load(CPackageFile* package) {
  if (!package) return E_POINTER;
  for (int32_t id : kStoredIds) {
    int32_t* field = Field(id);
    *field = Limit(id, package->GetInt(id, *field));
  }
  m_window = 0;
  m_sourceText.clear();
  return S_OK;
}

HRESULT CScreenSource::Open(const std::string& path) {
  m_mode = SCREEN_RECTANGLE;
  m_cursor = 1;
  m_sourceText = path;
  return S_OK;
}

HRESULT CScreenSource::Save(CPackageFile* package) {
  if (!package) return E_POINTER;
  for (int32_t id : kStoredIds) package->SetInt(id, *Field(id));
  return S_OK;
}

HRESULT CScreenSource::AnnounceProperties() {
  for (int32_t id : kStoredIds) NotifyChange(id);
  return S_OK;
}
