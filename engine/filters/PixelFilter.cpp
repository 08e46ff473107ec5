#include "engine/filters/PixelFilter.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "engine/base/DibSurface.h"
#include "engine/base/PackageFile.h"
#include "engine/base/TextUtils.h"

void CPixelFilter::AddSetting(int32_t id, int32_t* value, int32_t low, int32_t high) {
  m_settings.push_back({id, value, low, high});
}

void CPixelFilter::AddColorSetting(int32_t id, int32_t* value) {
  AddSetting(id, value, INT32_MIN, INT32_MAX);
}

const CPixelFilter::Setting* CPixelFilter::FindSetting(int32_t id) const {
  for (const Setting& setting : m_settings) {
    if (setting.id == id) return &setting;
  }
  return nullptr;
}

HRESULT CPixelFilter::GetProperty(int32_t id, std::string& value) {
  const Setting* setting = FindSetting(id);
  if (!setting) return E_FAIL;
  value = IntToText(*setting->value);
  return S_OK;
}

HRESULT CPixelFilter::SetProperty(int32_t id, const std::string& value) {
  const Setting* setting = FindSetting(id);
  if (!setting) return E_FAIL;
  *setting->value = LimitToRange(ParseInt(value, 0), setting->low, setting->high);
  NotifyChange(id);
  return S_OK;
}

HRESULT CPixelFilter::Load(CPackageFile* package) {
  if (!package) return E_POINTER;
  for (const Setting& setting : m_settings) {
    *setting.value =
        LimitToRange(package->GetInt(uint32_t(setting.id), *setting.value), setting.low,
                     setting.high);
  }
  return S_OK;
}

HRESULT CPixelFilter::Save(CPackageFile* package) {
  if (!package) return E_POINTER;
  for (const Setting& setting : m_settings) package->SetInt(uint32_t(setting.id), *setting.value);
  return S_OK;
}

HRESULT CPixelFilter::AnnounceProperties() {
  for (const Setting& setting : m_settings) NotifyChange(setting.id);
  return S_OK;
}

HRESULT CPixelFilter::Open(const std::string&) { return S_OK; }

HRESULT CPixelFilter::LockFrame(CFrameContext*, CFrameLock*) { return S_FALSE; }

HRESULT CPixelFilter::UnlockFrame() { return S_OK; }

BOOL CPixelFilter::IsFilter() { return TRUE; }

HRESULT CPixelFilter::GetSize(int32_t* width, int32_t* height) {
  if (width) *width = 0;
  if (height) *height = 0;
  return S_OK;
}

HRESULT CPixelFilter::Render(CFrameContext* context, const RECT& destination) {
  if (!context || !context->output) return S_OK;
  CDibSurface& picture = *context->output;
  if (!picture.GetBits() || picture.GetBitsPerPixel() != 24) return S_OK;
  RECT rect = destination;
  if (!ClipToPicture(rect, picture)) return S_OK;
  Filter(picture, rect, destination);
  return S_OK;
}

void CPixelFilter::MakeWorkingCopy(CDibSurface& copy, int32_t width, int32_t height) {
  MakeSizedBuffers(
      width, height,
      [&] { return FitWorkingPicture(copy, width, height) || width <= 0 || height <= 0; },
      [&] { copy.Free(); });
}

bool FitWorkingPicture(CDibSurface& surface, int width, int height) {
  if (surface.GetBits() && surface.GetBitsPerPixel() == 24 && surface.GetWidth() == width &&
      surface.GetHeight() == height)
    return true;
  if (width <= 0 || height <= 0) {
    surface.Free();
    return false;
  }
  if (!surface.Create(width, height, 24)) {
    surface.Free();
    return false;
  }
  surface.Clear();
  return true;
}

bool IsSameFrame(const CDibSurface& a, const CDibSurface& b) {
  return a.GetBits() && b.GetBits() && a.GetBitsPerPixel() == 24 && b.GetBitsPerPixel() == 24 &&
         a.GetWidth() == b.GetWidth() && a.GetHeight() == b.GetHeight();
}

void CopyFrame(CDibSurface& dest, const CDibSurface& source) {
  memcpy(dest.GetBits(), source.GetBits(), source.GetBitsSize());
}

void CopyFrameRect(CDibSurface& dest, int x, int y, int width, int height,
                   const CDibSurface& source, int sourceX, int sourceY) {
  const int64_t w = dest.GetWidth(), h = dest.GetHeight();
  // The part of the destination rectangle whose source lies inside the picture too.
  int64_t left = std::max<int64_t>({0, x, int64_t{x} - sourceX});
  int64_t top = std::max<int64_t>({0, y, int64_t{y} - sourceY});
  int64_t right = std::min<int64_t>({w, int64_t{x} + width, w + x - sourceX});
  int64_t bottom = std::min<int64_t>({h, int64_t{y} + height, h + y - sourceY});
  if (left >= right || top >= bottom) return;
  const int64_t dx = int64_t{sourceX} - x, dy = int64_t{sourceY} - y;
  const size_t stride = size_t(dest.GetStride());
  const size_t bytes = size_t(right - left) * 3;
  for (int64_t row = top; row < bottom; ++row) {
    BYTE* out = dest.GetBits() + size_t(h - 1 - row) * stride + size_t(left) * 3;
    const BYTE* in = source.GetBits() + size_t(h - 1 - (row + dy)) * stride + size_t(left + dx) * 3;
    memmove(out, in, bytes);
  }
}
