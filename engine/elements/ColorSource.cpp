#include "engine/elements/ColorSource.h"

#include "engine/base/ModuleValues.h"
#include "engine/base/PackageFile.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/PropertyIds.h"

namespace {

constexpr size_t kPrefixLength = 7;  // "@color:"

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ParseColourText(const std::string& path, int32_t* colour) {
  if (path.size() < kPrefixLength + 3) return false;
  if (path.compare(kPrefixLength, 2, "0x") != 0) return false;
  uint64_t value = 0;
  size_t pos = kPrefixLength + 2;
  if (HexDigit(path[pos]) < 0) return false;
  for (; pos < path.size() && HexDigit(path[pos]) >= 0; ++pos) {
    value = value * 16 + static_cast<unsigned>(HexDigit(path[pos]));
    if (value > CColorSource::kMaxColour) value = CColorSource::kMaxColour + 1;  // no overflow
  }
  *colour =
      static_cast<int32_t>(value > CColorSource::kMaxColour ? CColorSource::kMaxColour : value);
  return true;
}

CColorSource::CColorSource() { Rebuild(); }

CColorSource::~CColorSource() = default;

void CColorSource::Rebuild() {
  const SIZE size = GetModuleOutputSize();
  if (!m_picture.Create(size.cx, size.cy, 32)) {
    m_picture.Free();
    return;
  }
  const uint32_t colour = static_cast<uint32_t>(m_colour);
  const uint32_t pixel = 0xFF000000u | ((colour & 0xFF) << 16) | (colour & 0xFF00) |
                         ((colour >> 16) & 0xFF);  // blue, green, red, alpha in memory order
  BYTE* bits = m_picture.GetBits();
  const size_t count = size_t(m_picture.GetWidth()) * size_t(m_picture.GetHeight());
  for (size_t i = 0; i < count; ++i) {
    bits[i * 4 + 0] = static_cast<BYTE>(pixel);
    bits[i * 4 + 1] = static_cast<BYTE>(pixel >> 8);
    bits[i * 4 + 2] = static_cast<BYTE>(pixel >> 16);
    bits[i * 4 + 3] = static_cast<BYTE>(pixel >> 24);
  }
}

HRESULT CColorSource::GetProperty(int32_t id, std::string& value) {
  if (id != PROP_COLOR_VALUE) return E_FAIL;
  value = IntToText(m_colour);
  return S_OK;
}

HRESULT CColorSource::SetProperty(int32_t id, const std::string& value) {
  if (id != PROP_COLOR_VALUE) return E_FAIL;
  m_colour = LimitToRange(ParseInt(value, 0), 0, kMaxColour);
  Rebuild();
  NotifyChange(PROP_COLOR_VALUE);
  return S_OK;
}

HRESULT CColorSource::Load(CPackageFile* package) {
  if (!package) return E_POINTER;
  m_colour = LimitToRange(package->GetInt(PROP_COLOR_VALUE, 0), 0, kMaxColour);
  Rebuild();
  m_sourceText.clear();
  return S_OK;
}

HRESULT CColorSource::Open(const std::string& path) {
  int32_t colour = 0;
  if (ParseColourText(path, &colour)) m_colour = colour;
  Rebuild();
  m_sourceText = path;
  return S_OK;
}

HRESULT CColorSource::Save(CPackageFile* package) {
  if (!package) return E_POINTER;
  package->SetInt(PROP_COLOR_VALUE, m_colour);
  return S_OK;
}

HRESULT CColorSource::LockFrame(CFrameContext*, CFrameLock* lock) {
  if (lock) lock->picture = &m_picture;
  return S_OK;
}

HRESULT CColorSource::UnlockFrame() { return S_OK; }

HRESULT CColorSource::Render(CFrameContext*, const RECT&) { return E_FAIL; }

BOOL CColorSource::IsFilter() { return FALSE; }

HRESULT CColorSource::GetSize(int32_t* width, int32_t* height) {
  if (width) *width = m_picture.GetWidth();
  if (height) *height = m_picture.GetHeight();
  return S_OK;
}

HRESULT CColorSource::AnnounceProperties() {
  NotifyChange(PROP_COLOR_VALUE);
  return S_OK;
}
