// Filters the DirectShow tests build graphs from: a push source of numbered video frames
// and a renderer that checks and records what it is given; plus COM and timing helpers.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/dshow/DShowBase.h"

// Every byte of frame `index` is a function of the index and the byte's position, and
// the first four bytes of each row hold the index and the row number, so a decoded
// buffer tells which frame it is, whether it is intact and whether rows were flipped.
uint8_t FrameByte(uint32_t index, uint32_t row, uint32_t offsetInRow);
void FillFrame(uint8_t* data, int width, int height, int bytesPerPixel, uint32_t index);
// The frame index when the buffer is an intact frame, else -1.
int64_t DecodeFrame(const uint8_t* data, size_t length, int width, int height, int bytesPerPixel);

// IKsPropertySet of a capture pin: the pin category, PIN_CATEGORY_CAPTURE, read-only.
HRESULT GetCapturePinCategory(REFGUID set, DWORD id, void* data, DWORD size, DWORD* returned);
HRESULT QueryCapturePinCategory(REFGUID set, DWORD id, DWORD* support);

// Uncompressed video type of the given subtype (RGB24, RGB32 or YUY2) and size.
CMediaType MakeVideoType(const GUID& subtype, int width, int height, REFERENCE_TIME frameTime);

struct SourceConfig {
  int frames = -1;                                 // frames before end of stream; -1: endless
  std::vector<GUID> subtypes{MEDIASUBTYPE_RGB24};  // offered in this order
  int width = 64;
  int height = 48;
  REFERENCE_TIME frameTime = 333333;  // 30 frames a second
  REFERENCE_TIME firstStart = 0;      // time stamp of frame 0
  bool timestamps = true;
  HANDLE gate = nullptr;    // when set, frame 0 waits for this event
  bool capturePin = false;  // the pin names its category (capture) through IKsPropertySet
};

class CTestSource;

class CTestStream : public CSourceStream, public IKsPropertySet {
 public:
  CTestStream(CTestSource* filter, HRESULT* phr, const SourceConfig& config);
  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  // IKsPropertySet: the pin category, read-only.
  STDMETHODIMP Set(REFGUID, DWORD, void*, DWORD, void*, DWORD) override;
  STDMETHODIMP Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD size,
                   DWORD* returned) override;
  STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT FillBuffer(IMediaSample* sample) override;
  HRESULT OnThreadCreate() override;

 private:
  SourceConfig m_Config;
  uint32_t m_Next = 0;
};

class CTestSource : public CSource {
 public:
  static const CLSID kClsid;
  // A new source holding one reference (released by the returned pointer's owner).
  static CComPtr<IBaseFilter> Create(const SourceConfig& config, CTestSource** self = nullptr);
  CTestSource(const SourceConfig& config, IUnknown* outer, REFCLSID clsid, HRESULT* phr);
  CTestStream* Stream() { return m_pStream; }

 private:
  CTestStream* m_pStream;  // owned by CSource
};

struct RenderedFrame {
  int64_t index;  // -1: not an intact frame
  REFERENCE_TIME start;
  bool timed;
  LONGLONG arrivalMs;
};

class CTestRenderer : public CBaseRenderer {
 public:
  static const CLSID kClsid;
  static CComPtr<IBaseFilter> Create(std::vector<GUID> accepted, CTestRenderer** self);

  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT SetMediaType(const CMediaType* mt) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;
  // Can hide the seeking pass-through, to show what the graph does without it.
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  bool hideSeeking = false;

  std::vector<RenderedFrame> Frames();
  size_t FrameCount();
  void ClearFrames();
  // Waits until at least `count` frames were rendered; false on time-out.
  bool WaitForFrames(size_t count, DWORD timeoutMs);
  GUID ConnectedSubtype();

 private:
  CTestRenderer(std::vector<GUID> accepted, HRESULT* phr);
  ~CTestRenderer() override;
  std::vector<GUID> m_Accepted;
  std::mutex m_Mutex;
  std::vector<RenderedFrame> m_Frames;
  GUID m_Subtype = GUID_NULL;
  int m_Width = 0, m_Height = 0, m_BytesPerPixel = 3;
  HANDLE m_evFrame;
};

// COM on the test thread, single-threaded apartment as in the engine's main thread.
class ComScope {
 public:
  ComScope() { hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~ComScope() {
    if (SUCCEEDED(hr)) CoUninitialize();
  }
  HRESULT hr;
};

// Ends the test program when a step hangs (a deadlock would otherwise hold the test
// until CTest's time-out): arm before the risky part, destroy to disarm.
class Watchdog {
 public:
  Watchdog(DWORD timeoutMs, const char* what);
  ~Watchdog();

 private:
  static DWORD WINAPI Run(void* param);
  HANDLE m_evDone;
  HANDLE m_hThread;
  DWORD m_TimeoutMs;
  const char* m_What;
};

LONGLONG NowMs();
CComPtr<IPin> FindPin(IBaseFilter* filter, PIN_DIRECTION dir);
// Waits for the next graph event with the given code; false on time-out.
bool WaitForEvent(IMediaEvent* events, long code, DWORD timeoutMs);
