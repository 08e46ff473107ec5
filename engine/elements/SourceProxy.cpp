#include "engine/elements/SourceProxy.h"

#include "engine/base/PackageFile.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"
#include "engine/elements/ElementFactory.h"

namespace {

// Type codes as PROP_SOURCE_TYPE accepts them; 0 and 21 stand for "no element".
constexpr int32_t kLowestTypeCode = 0;
constexpr int32_t kHighestTypeCode = 21;

constexpr int32_t kNoTypeCode = -1;

// The type code for the kind code of an effect file (item 6); kNoTypeCode when the kind is
// unknown.
int32_t TypeCodeOfKind(const CPackageFile& package) {
  switch (package.GetInt(PROP_LEGACY_KIND, -1)) {
    case 0:
      return package.GetInt(PROP_LEGACY_FLASH, 0) == 1 ? ELEMENT_FLASH : ELEMENT_IMAGE;
    case 2:
      return ELEMENT_COLOR_MATRIX;
    case 3:
      return ELEMENT_FLASH;
    case 6:
      return ELEMENT_TEXT;
    case 7:
      return ELEMENT_WARP;
    case 8:
      return ELEMENT_MOTION_FIRE;
    case 9:
      return ELEMENT_EDGE;
    case 10:
      return ELEMENT_MOSAIC;
    case 11:
      return ELEMENT_EMBOSS;
    case 12:
      return ELEMENT_TRAIL;
    case 14:
      return ELEMENT_RIPPLE;
    case 15:
      return ELEMENT_SNOW;
    case 16:
      return ELEMENT_SHAKE;
    case 18:
      return package.GetInt(PROP_SOURCE_TYPE, -1);
    default:
      return kNoTypeCode;
  }
}

}  // namespace

CSourceProxy::CSourceProxy(CEffect* owner) : m_owner(owner) {}

CSourceProxy::~CSourceProxy() { ReleaseElement(); }

void CSourceProxy::ReleaseElement() {
  if (m_element) {
    IFrameElement* element = m_element;
    m_element = nullptr;
    element->Release();
  }
}

HRESULT CSourceProxy::CreateElement(int32_t code) {
  ReleaseElement();
  m_typeCode = code;
  m_element = CreateFrameElement(code, m_owner);
  if (!m_element) return E_FAIL;
  m_element->SetOwner(m_owner);
  return S_OK;
}

void CSourceProxy::Close() {
  m_typeCode = 0;
  ReleaseElement();
}

HRESULT CSourceProxy::OpenPath(const std::string& path) {
  Close();
  if (StartsWithNoCase(path, "@cam:")) {
    CreateElement(ELEMENT_CAMERA);
  } else if (StartsWithNoCase(path, "@screen:")) {
    CreateElement(ELEMENT_SCREEN);
  } else if (StartsWithNoCase(path, "@color:")) {
    CreateElement(ELEMENT_COLOR);
  } else if (ExtensionInList(path, "swf,")) {
    CreateElement(ELEMENT_FLASH);
  } else if (ExtensionInList(path, "jpg,png,bmp,gif,")) {
    CreateElement(ELEMENT_IMAGE);
  } else {
    CreateElement(ELEMENT_VIDEO);
  }
  if (!m_element) return E_FAIL;
  if (FAILED(m_element->Open(path))) {
    ReleaseElement();
    return E_FAIL;
  }
  return S_OK;
}

HRESULT CSourceProxy::Load(CPackageFile* package) {
  Close();
  if (!package) return E_POINTER;
  int32_t code = TypeCodeOfKind(*package);
  if (code == kNoTypeCode) {
    // Kind 18 without a type code: nothing to load, and nothing wrong.
    return package->GetInt(PROP_LEGACY_KIND, -1) == 18 ? S_FALSE : E_FAIL;
  }
  // The same range as the property accepts; codes outside 1..20 make no element.
  code = LimitToRange(code, kLowestTypeCode, kHighestTypeCode);
  const HRESULT created = CreateElement(code);
  if (FAILED(created)) return created;
  if (FAILED(m_element->Load(package))) {
    ReleaseElement();
    return E_FAIL;
  }
  NotifyChange(PROP_SOURCE_TYPE);
  m_element->AnnounceProperties();
  return S_OK;
}

HRESULT CSourceProxy::Open(const std::string& path) { return OpenPath(path); }

HRESULT CSourceProxy::Save(CPackageFile* package) {
  if (!package) return E_POINTER;
  // A drawing board is stored with the image element's code: it loads back as a picture.
  package->SetInt(PROP_SOURCE_TYPE,
                  m_typeCode == ELEMENT_DRAWING_BOARD ? ELEMENT_IMAGE : m_typeCode);
  return m_element ? m_element->Save(package) : E_FAIL;
}

HRESULT CSourceProxy::GetProperty(int32_t id, std::string& value) {
  if (id == PROP_SOURCE_TYPE) {
    value = IntToText(m_typeCode);
    return S_OK;
  }
  return m_element ? m_element->GetProperty(id, value) : E_FAIL;
}

HRESULT CSourceProxy::SetProperty(int32_t id, const std::string& value) {
  if (id != PROP_SOURCE_TYPE) return m_element ? m_element->SetProperty(id, value) : E_FAIL;
  const int32_t code = LimitToRange(ParseInt(value, 0), kLowestTypeCode, kHighestTypeCode);
  if (code == m_typeCode) return S_OK;
  CreateElement(code);
  NotifyChange(PROP_SOURCE_TYPE);
  if (m_element) {
    m_element->Play();
    m_element->AnnounceProperties();
  }
  return S_OK;
}

HRESULT CSourceProxy::NotifyChange(int32_t id) {
  return m_owner ? m_owner->NotifyChange(id) : S_FALSE;
}

void CSourceProxy::Release() { Close(); }

HRESULT CSourceProxy::SetOwner(CEffect* owner) {
  m_owner = owner;
  if (m_element) m_element->SetOwner(owner);
  return S_OK;
}

HRESULT CSourceProxy::LockFrame(CFrameContext* context, CFrameLock* lock) {
  return m_element ? m_element->LockFrame(context, lock) : S_OK;
}

HRESULT CSourceProxy::UnlockFrame() { return m_element ? m_element->UnlockFrame() : S_OK; }

HRESULT CSourceProxy::Render(CFrameContext* context, const RECT& destination) {
  return m_element ? m_element->Render(context, destination) : S_FALSE;
}

BOOL CSourceProxy::IsFilter() { return m_element ? m_element->IsFilter() : FALSE; }

HRESULT CSourceProxy::GetSize(int32_t* width, int32_t* height) {
  if (m_element) return m_element->GetSize(width, height);
  if (width) *width = 0;
  if (height) *height = 0;
  return S_OK;
}

HRESULT CSourceProxy::OnIdle() { return m_element ? m_element->OnIdle() : S_FALSE; }

HRESULT CSourceProxy::GetTime(int32_t* position, int32_t* duration) {
  return m_element ? m_element->GetTime(position, duration) : S_FALSE;
}

HRESULT CSourceProxy::SetPosition(int32_t milliseconds) {
  return m_element ? m_element->SetPosition(milliseconds) : S_FALSE;
}

HRESULT CSourceProxy::SetVolume(int32_t volume) {
  return m_element ? m_element->SetVolume(volume) : S_FALSE;
}

HRESULT CSourceProxy::Play() { return m_element ? m_element->Play() : S_FALSE; }

HRESULT CSourceProxy::Pause() { return m_element ? m_element->Pause() : S_FALSE; }

HRESULT CSourceProxy::Stop() { return m_element ? m_element->Stop() : S_FALSE; }

int32_t CSourceProxy::GetState() { return m_element ? m_element->GetState() : STATE_EMPTY; }

HRESULT CSourceProxy::SetFlags(int32_t flags) {
  return m_element ? m_element->SetFlags(flags) : S_FALSE;
}

int32_t CSourceProxy::GetFlags() { return m_element ? m_element->GetFlags() : 0; }

BOOL CSourceProxy::IsFinished() { return m_element ? m_element->IsFinished() : FALSE; }

HRESULT CSourceProxy::SetDuration(int32_t milliseconds) {
  return m_element ? m_element->SetDuration(milliseconds) : S_FALSE;
}

HRESULT CSourceProxy::SetMute(BOOL mute) { return m_element ? m_element->SetMute(mute) : S_FALSE; }

BOOL CSourceProxy::GetMute() { return m_element ? m_element->GetMute() : TRUE; }

HRESULT CSourceProxy::MouseInput(UINT message, int32_t x, int32_t y) {
  return m_element ? m_element->MouseInput(message, x, y) : S_FALSE;
}

HRESULT CSourceProxy::SetFrameSize(int32_t width, int32_t height) {
  return m_element ? m_element->SetFrameSize(width, height) : S_FALSE;
}

std::string CSourceProxy::GetSourcePath() {
  return m_element ? m_element->GetSourcePath() : std::string();
}

HRESULT CSourceProxy::AnnounceProperties() {
  NotifyChange(PROP_SOURCE_TYPE);
  return m_element ? m_element->AnnounceProperties() : S_OK;
}
