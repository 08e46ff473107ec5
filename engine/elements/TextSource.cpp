#include "engine/elements/TextSource.h"

#include <algorithm>
#include <climits>

#include "engine/base/PackageFile.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/PropertyIds.h"

namespace {

constexpr UINT kDrawFlags = DT_NOPREFIX | DT_WORDBREAK;

int TextLength(const std::string& text) {
  return static_cast<int>(std::min<size_t>(text.size(), INT_MAX));
}

void Offset(RECT& rect, int dx, int dy) {
  rect.left += dx;
  rect.right += dx;
  rect.top += dy;
  rect.bottom += dy;
}

void Fill(HDC dc, const RECT& rect, int32_t colour) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(colour));
  if (!brush) return;
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

// A GDI font for one rendering, deleted with it.
class CFontHandle {
 public:
  CFontHandle(int height, const std::string& face)
      : m_font(CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           0x20 /* FF_SWISS, default pitch */, face.c_str())) {}
  ~CFontHandle() {
    if (m_font) DeleteObject(m_font);
  }
  CFontHandle(const CFontHandle&) = delete;
  CFontHandle& operator=(const CFontHandle&) = delete;
  HFONT Get() const { return m_font; }

 private:
  HFONT m_font;
};

// The rectangle the text takes with the font, wrapped at the wrap width.
RECT MeasureText(const std::string& text, HFONT font) {
  RECT rect = {0, 0, CTextSource::kWrapWidth, CTextSource::kWrapWidth};
  HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  if (!display) return RECT{0, 0, 0, 0};
  HGDIOBJ previous = font ? SelectObject(display, font) : nullptr;
  if (!DrawTextA(display, text.c_str(), TextLength(text), &rect, DT_CALCRECT | kDrawFlags)) {
    rect = RECT{0, 0, 0, 0};
  }
  if (previous) SelectObject(display, previous);
  DeleteDC(display);
  return rect;
}

}  // namespace

CTextSource::CTextSource() = default;

CTextSource::~CTextSource() = default;

void CTextSource::RenderText() {
  CFontHandle font(m_size, m_font);
  const RECT measured = MeasureText(m_text, font.Get());

  // Outer rectangle, shadow rectangle (S) and text rectangle (P), grown and moved by the
  // shadow, the box padding and the border in turn.
  RECT outer = measured;
  RECT shadow = measured;
  RECT text = measured;
  if (m_shadowColour != kNoColour) {
    outer.right += 2;
    outer.bottom += 2;
    Offset(text, 1, 1);
  }
  RECT box = outer;
  if (m_boxColour != kNoColour) {
    const int padX = std::max(2, m_size / 6);
    const int padY = std::max(1, m_size / 12);
    box.right += 2 * padX;
    box.bottom += 2 * padY;
    Offset(text, padX, padY);
    Offset(shadow, padX, padY);
  }
  RECT border = box;
  if (m_borderColour != kNoColour) {
    const int b = std::max(1, m_size / 16);
    border.right += 2 * b;
    border.bottom += 2 * b;
    Offset(text, b, b);
    Offset(shadow, b, b);
    Offset(box, b, b);
  }

  m_pictureWidth = border.right - border.left;
  m_pictureHeight = border.bottom - border.top;
  if (!m_picture.Create(m_pictureWidth, m_pictureHeight, 32)) {
    m_picture.Free();
    return;
  }
  HDC dc = m_picture.GetDC();
  if (!dc) {
    m_picture.Free();
    return;
  }

  // Everything GDI touches from here on gets alpha 0; the untouched rest stays at 255.
  Fill(dc, border, m_shadowColour != kNoColour ? m_shadowColour : m_colour);
  GdiFlush();
  BYTE* bits = m_picture.GetBits();
  const size_t count = size_t(m_pictureWidth) * size_t(m_pictureHeight);
  for (size_t i = 0; i < count; ++i) bits[i * 4 + 3] = 255;

  if (m_borderColour != kNoColour) {
    Fill(dc, RECT{border.left, border.top, border.right, box.top}, m_borderColour);
    Fill(dc, RECT{border.left, box.top, box.left, box.bottom}, m_borderColour);
    Fill(dc, RECT{box.right, box.top, border.right, box.bottom}, m_borderColour);
    Fill(dc, RECT{border.left, box.bottom, border.right, border.bottom}, m_borderColour);
  }
  if (m_boxColour != kNoColour) Fill(dc, box, m_boxColour);

  const HGDIOBJ previousFont = font.Get() ? SelectObject(dc, font.Get()) : nullptr;
  const int previousMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF previousColour = GetTextColor(dc);
  const int length = TextLength(m_text);
  if (m_shadowColour != kNoColour) {
    SetTextColor(dc, static_cast<COLORREF>(m_shadowColour));
    for (const POINT& d : {POINT{0, 0}, POINT{1, 0}, POINT{1, 1}, POINT{0, 1}}) {
      RECT at = shadow;
      Offset(at, d.x, d.y);
      DrawTextA(dc, m_text.c_str(), length, &at, kDrawFlags);
    }
  }
  SetTextColor(dc, static_cast<COLORREF>(m_colour));
  DrawTextA(dc, m_text.c_str(), length, &text, kDrawFlags);
  GdiFlush();

  // What GDI left untouched becomes transparent, everything drawn takes the opacity.
  for (size_t i = 0; i < count; ++i) {
    BYTE& alpha = bits[i * 4 + 3];
    alpha = alpha == 255 ? 0 : m_opacity;
  }

  SetTextColor(dc, previousColour);
  SetBkMode(dc, previousMode);
  if (previousFont) SelectObject(dc, previousFont);
}

HRESULT CTextSource::GetProperty(int32_t id, std::string& value) {
  switch (id) {
    case PROP_TEXT:
      value = m_text;
      break;
    case PROP_TEXT_FONT:
      value = m_font;
      break;
    case PROP_TEXT_SIZE:
      value = IntToText(m_size);
      break;
    case PROP_TEXT_COLOR:
      value = IntToText(m_colour);
      break;
    case PROP_TEXT_SHADOW_COLOR:
      value = IntToText(m_shadowColour);
      break;
    case PROP_TEXT_BOX_COLOR:
      value = IntToText(m_boxColour);
      break;
    case PROP_TEXT_BORDER_COLOR:
      value = IntToText(m_borderColour);
      break;
    case PROP_TEXT_TRANSPARENCY:
      value = IntToText(255 - m_opacity);
      break;
    default:
      return E_FAIL;
  }
  return S_OK;
}

HRESULT CTextSource::SetProperty(int32_t id, const std::string& value) {
  switch (id) {
    case PROP_TEXT:
      m_text = value;
      break;
    case PROP_TEXT_FONT:
      m_font = value;
      break;
    case PROP_TEXT_SIZE:
      m_size = LimitToRange(ParseInt(value, 0), kMinSize, kMaxSize);
      break;
    case PROP_TEXT_COLOR:
      m_colour = ParseInt(value, 0);
      break;
    case PROP_TEXT_SHADOW_COLOR:
      m_shadowColour = ParseInt(value, 0);
      break;
    case PROP_TEXT_BOX_COLOR:
      m_boxColour = ParseInt(value, 0);
      break;
    case PROP_TEXT_BORDER_COLOR:
      m_borderColour = ParseInt(value, 0);
      break;
    case PROP_TEXT_TRANSPARENCY:
      m_opacity = static_cast<BYTE>(255 - LimitToRange(ParseInt(value, 0), 0, 255));
      break;
    default:
      return E_FAIL;
  }
  RenderText();
  NotifyChange(id);
  return S_OK;
}

HRESULT CTextSource::Load(CPackageFile* package) {
  if (!package) return E_POINTER;
  m_text = package->GetText(PROP_TEXT, std::string());
  m_font = package->GetText(PROP_TEXT_FONT, m_font);
  m_size = LimitToRange(package->GetInt(PROP_TEXT_SIZE, m_size), kMinSize, kMaxSize);
  m_colour = package->GetInt(PROP_TEXT_COLOR, m_colour);
  m_shadowColour = package->GetInt(PROP_TEXT_SHADOW_COLOR, m_shadowColour);
  m_boxColour = package->GetInt(PROP_TEXT_BOX_COLOR, m_boxColour);
  m_borderColour = package->GetInt(PROP_TEXT_BORDER_COLOR, m_borderColour);
  m_opacity =
      static_cast<BYTE>(LimitToRange(package->GetInt(PROP_TEXT_TRANSPARENCY, m_opacity), 0, 255));
  // A picture of the settings before would be shown until the next change.
  m_picture.Free();
  return S_OK;
}

HRESULT CTextSource::Open(const std::string&) { return S_OK; }

HRESULT CTextSource::Save(CPackageFile* package) {
  if (!package) return E_POINTER;
  package->SetText(PROP_TEXT, m_text);
  package->SetText(PROP_TEXT_FONT, m_font);
  package->SetInt(PROP_TEXT_SIZE, m_size);
  package->SetInt(PROP_TEXT_COLOR, m_colour);
  package->SetInt(PROP_TEXT_SHADOW_COLOR, m_shadowColour);
  package->SetInt(PROP_TEXT_BOX_COLOR, m_boxColour);
  package->SetInt(PROP_TEXT_BORDER_COLOR, m_borderColour);
  package->SetInt(PROP_TEXT_TRANSPARENCY, m_opacity);  // the opacity itself
  return S_OK;
}

HRESULT CTextSource::LockFrame(CFrameContext*, CFrameLock* lock) {
  if (!m_picture.GetBitmap()) RenderText();
  if (lock) lock->picture = &m_picture;
  return S_OK;
}

HRESULT CTextSource::UnlockFrame() { return S_OK; }

HRESULT CTextSource::Render(CFrameContext*, const RECT&) { return E_FAIL; }

BOOL CTextSource::IsFilter() { return FALSE; }

HRESULT CTextSource::GetSize(int32_t* width, int32_t* height) {
  if (width) *width = m_picture.GetWidth();
  if (height) *height = m_picture.GetHeight();
  return S_OK;
}

HRESULT CTextSource::AnnounceProperties() {
  for (int32_t id = PROP_TEXT; id <= PROP_TEXT_TRANSPARENCY; ++id) NotifyChange(id);
  return S_OK;
}
