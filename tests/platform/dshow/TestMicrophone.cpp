#include "tests/platform/dshow/TestMicrophone.h"

#include <mmreg.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "tests/platform/dshow/TestFilters.h"

namespace {

constexpr DWORD kSampleRate = 8000;
constexpr REFERENCE_TIME kPieceTime = 1000000;  // 100 ms
constexpr long kPieceBytes = long(kSampleRate / 10 * 2);

class CMicrophone;

class CMicrophoneStream : public CSourceStream, public IKsPropertySet {
 public:
  CMicrophoneStream(HRESULT* phr, CSource* filter)
      : CSourceStream(L"Microphone", phr, filter, L"Capture") {}

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IKsPropertySet))
      return GetInterface(static_cast<IKsPropertySet*>(this), ppv);
    return CSourceStream::NonDelegatingQueryInterface(riid, ppv);
  }
  STDMETHODIMP Set(REFGUID, DWORD, void*, DWORD, void*, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD size,
                   DWORD* returned) override {
    return GetCapturePinCategory(set, id, data, size, returned);
  }
  STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override {
    return QueryCapturePinCategory(set, id, support);
  }

  HRESULT GetMediaType(CMediaType* mt) override {
    mt->InitMediaType();
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = kSampleRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = kSampleRate * 2;
    mt->SetType(&MEDIATYPE_Audio);
    mt->SetSubtype(&MEDIASUBTYPE_PCM);
    mt->SetFormatType(&FORMAT_WaveFormatEx);
    mt->SetSampleSize(2);
    mt->SetFormat(reinterpret_cast<const BYTE*>(&format), sizeof(format));
    return S_OK;
  }
  HRESULT CheckMediaType(const CMediaType* mt) override {
    CMediaType mine;
    GetMediaType(&mine);
    return mt && *mt == mine ? S_OK : E_INVALIDARG;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override {
    request->cBuffers = std::max<long>(request->cBuffers, 4);
    request->cbBuffer = std::max<long>(request->cbBuffer, kPieceBytes);
    request->cbAlign = std::max<long>(request->cbAlign, 1);
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer < kPieceBytes ? E_FAIL : S_OK;
  }
  HRESULT OnThreadCreate() override {
    m_piece = 0;
    m_startTick = GetTickCount();
    return S_OK;
  }
  HRESULT FillBuffer(IMediaSample* sample) override {
    const DWORD due = m_startTick + DWORD(m_piece * kPieceTime / 10000);
    const DWORD now = GetTickCount();
    if (int32_t(due - now) > 0 && WaitForSingleObject(StopEvent(), due - now) == WAIT_OBJECT_0)
      return S_FALSE;
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || sample->GetSize() < kPieceBytes) return E_FAIL;
    std::memset(data, 0, size_t(kPieceBytes));
    sample->SetActualDataLength(kPieceBytes);
    REFERENCE_TIME start = m_piece * kPieceTime, stop = start + kPieceTime;
    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(TRUE);
    ++m_piece;
    return S_OK;
  }

 private:
  LONGLONG m_piece = 0;
  DWORD m_startTick = 0;
};

class CMicrophone : public CSource {
 public:
  CMicrophone(IUnknown* outer, HRESULT* phr)
      : CSource(TEST_MICROPHONE_NAME, outer, CLSID_TestMicrophone, phr) {
    new CMicrophoneStream(phr, this);  // the stream registers itself with the filter
  }
};

}  // namespace

CUnknown* NewTestMicrophone(IUnknown* outer, HRESULT* phr) {
  auto* filter = new (std::nothrow) CMicrophone(outer, phr);
  if (!filter && phr) *phr = E_OUTOFMEMORY;
  return filter;
}
