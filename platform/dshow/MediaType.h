// Media type holder: an AM_MEDIA_TYPE that owns its format block (CoTaskMemAlloc, so it
// can cross COM boundaries) and its pUnk reference.
#pragma once

#include <dshow.h>
#include <windows.h>

class CMediaType : public AM_MEDIA_TYPE {
 public:
  CMediaType();
  explicit CMediaType(const GUID* majortype);
  CMediaType(const AM_MEDIA_TYPE& other);  // NOLINT: deep copy from the plain struct
  CMediaType(const CMediaType& other);
  CMediaType& operator=(const AM_MEDIA_TYPE& other);
  CMediaType& operator=(const CMediaType& other);
  ~CMediaType();

  // Equal major type, subtype, format type and format bytes.
  bool operator==(const CMediaType& other) const;
  bool operator!=(const CMediaType& other) const { return !(*this == other); }

  // Deep copy; E_OUTOFMEMORY leaves this type empty.
  HRESULT Set(const AM_MEDIA_TYPE& other);
  // Frees the format block and resets every field to an empty (GUID_NULL) type.
  void InitMediaType();
  bool IsValid() const { return !IsEqualGUID(majortype, GUID_NULL); }

  const GUID* Type() const { return &majortype; }
  const GUID* Subtype() const { return &subtype; }
  const GUID* FormatType() const { return &formattype; }
  BYTE* Format() const { return pbFormat; }
  ULONG FormatLength() const { return cbFormat; }

  void SetType(const GUID* type) { majortype = *type; }
  void SetSubtype(const GUID* type) { subtype = *type; }
  void SetFormatType(const GUID* type) { formattype = *type; }
  void SetSampleSize(ULONG size);
  // The fixed sample size, 0 for variable-size samples.
  ULONG GetSampleSize() const { return bFixedSizeSamples ? lSampleSize : 0; }
  void SetVariableSize() { bFixedSizeSamples = FALSE; }
  void SetTemporalCompression(BOOL compressed) { bTemporalCompression = compressed; }

  // Copies a format block of the given length; false when out of memory.
  bool SetFormat(const BYTE* format, ULONG length);
  // A zeroed format block of the given length (null when out of memory).
  BYTE* AllocFormatBuffer(ULONG length);
  void ResetFormatBuffer();

  // True when every GUID this type leaves open (GUID_NULL) is matched by anything and
  // every GUID it sets equals the other's; a set format type with a format block must
  // also match the other's format bytes.
  bool MatchesPartial(const CMediaType* partial) const;
  bool IsPartiallySpecified() const;
};

// Frees what an AM_MEDIA_TYPE owns (format block, pUnk); the struct itself stays.
void FreeMediaType(AM_MEDIA_TYPE& mt);
// Frees an AM_MEDIA_TYPE allocated with CoTaskMemAlloc and everything it owns.
void DeleteMediaType(AM_MEDIA_TYPE* pmt);
// Deep copy into an uninitialised struct. E_OUTOFMEMORY leaves dst without format.
HRESULT CopyMediaType(AM_MEDIA_TYPE* dst, const AM_MEDIA_TYPE* src);
// A new CoTaskMemAlloc'ed deep copy, or null.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* src);
