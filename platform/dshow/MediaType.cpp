#include "platform/dshow/MediaType.h"

#include <cstring>

void FreeMediaType(AM_MEDIA_TYPE& mt) {
  if (mt.pbFormat) CoTaskMemFree(mt.pbFormat);
  mt.pbFormat = nullptr;
  mt.cbFormat = 0;
  if (mt.pUnk) mt.pUnk->Release();
  mt.pUnk = nullptr;
}

void DeleteMediaType(AM_MEDIA_TYPE* pmt) {
  if (!pmt) return;
  FreeMediaType(*pmt);
  CoTaskMemFree(pmt);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* dst, const AM_MEDIA_TYPE* src) {
  if (!dst || !src) return E_POINTER;
  *dst = *src;
  if (src->pUnk) src->pUnk->AddRef();
  if (src->cbFormat && src->pbFormat) {
    dst->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(src->cbFormat));
    if (!dst->pbFormat) {
      dst->cbFormat = 0;
      return E_OUTOFMEMORY;
    }
    memcpy(dst->pbFormat, src->pbFormat, src->cbFormat);
  } else {
    dst->pbFormat = nullptr;
    dst->cbFormat = 0;
  }
  return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* src) {
  auto* pmt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (!pmt) return nullptr;
  if (FAILED(CopyMediaType(pmt, src))) {
    FreeMediaType(*pmt);
    CoTaskMemFree(pmt);
    return nullptr;
  }
  return pmt;
}

CMediaType::CMediaType() : AM_MEDIA_TYPE() { InitMediaType(); }

CMediaType::CMediaType(const GUID* type) : CMediaType() { majortype = *type; }

CMediaType::CMediaType(const AM_MEDIA_TYPE& other) : CMediaType() { Set(other); }

CMediaType::CMediaType(const CMediaType& other) : CMediaType() { Set(other); }

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& other) {
  Set(other);
  return *this;
}

CMediaType& CMediaType::operator=(const CMediaType& other) {
  Set(other);
  return *this;
}

CMediaType::~CMediaType() { FreeMediaType(*this); }

void CMediaType::InitMediaType() {
  FreeMediaType(*this);
  majortype = GUID_NULL;
  subtype = GUID_NULL;
  formattype = GUID_NULL;
  bFixedSizeSamples = TRUE;
  bTemporalCompression = FALSE;
  lSampleSize = 1;
}

HRESULT CMediaType::Set(const AM_MEDIA_TYPE& other) {
  if (&other == static_cast<AM_MEDIA_TYPE*>(this)) return S_OK;
  AM_MEDIA_TYPE copy;
  HRESULT hr = CopyMediaType(&copy, &other);
  if (FAILED(hr)) {
    FreeMediaType(copy);
    InitMediaType();
    return hr;
  }
  FreeMediaType(*this);
  *static_cast<AM_MEDIA_TYPE*>(this) = copy;
  return S_OK;
}

bool CMediaType::operator==(const CMediaType& other) const {
  if (!IsEqualGUID(majortype, other.majortype) || !IsEqualGUID(subtype, other.subtype) ||
      !IsEqualGUID(formattype, other.formattype) || cbFormat != other.cbFormat)
    return false;
  return cbFormat == 0 || memcmp(pbFormat, other.pbFormat, cbFormat) == 0;
}

void CMediaType::SetSampleSize(ULONG size) {
  if (size == 0) {
    SetVariableSize();
  } else {
    bFixedSizeSamples = TRUE;
    lSampleSize = size;
  }
}

bool CMediaType::SetFormat(const BYTE* format, ULONG length) {
  BYTE* block = AllocFormatBuffer(length);
  if (!block && length) return false;
  if (length) memcpy(block, format, length);
  return true;
}

BYTE* CMediaType::AllocFormatBuffer(ULONG length) {
  ResetFormatBuffer();
  if (length == 0) return nullptr;
  pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(length));
  if (!pbFormat) return nullptr;
  ZeroMemory(pbFormat, length);
  cbFormat = length;
  return pbFormat;
}

void CMediaType::ResetFormatBuffer() {
  if (pbFormat) CoTaskMemFree(pbFormat);
  pbFormat = nullptr;
  cbFormat = 0;
}

bool CMediaType::MatchesPartial(const CMediaType* partial) const {
  if (!IsEqualGUID(partial->majortype, GUID_NULL) && !IsEqualGUID(partial->majortype, majortype))
    return false;
  if (!IsEqualGUID(partial->subtype, GUID_NULL) && !IsEqualGUID(partial->subtype, subtype))
    return false;
  if (!IsEqualGUID(partial->formattype, GUID_NULL)) {
    if (!IsEqualGUID(partial->formattype, formattype)) return false;
    if (partial->cbFormat != cbFormat) return false;
    if (cbFormat && memcmp(partial->pbFormat, pbFormat, cbFormat) != 0) return false;
  }
  return true;
}

bool CMediaType::IsPartiallySpecified() const {
  return IsEqualGUID(majortype, GUID_NULL) || IsEqualGUID(subtype, GUID_NULL) ||
         IsEqualGUID(formattype, GUID_NULL);
}
