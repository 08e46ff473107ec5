#include "engine/graphs/GraphRecorder.h"

#include <cstdio>
#include <new>

#include "engine/base/SystemUtils.h"
#include "engine/base/TextUtils.h"
#include "engine/device/CaptureDevices.h"
#include "engine/graphs/FileWriter.h"
#include "engine/graphs/GraphHelpers.h"
#include "platform/dshow/AsfWriterConfig.h"

namespace {

// The MPEG Layer-3 audio compressor among the audio compressors.
constexpr const char* kMp3CompressorMoniker =
    "@device:cm:{33D9A761-90C8-11D0-BD43-00A0C911CE86}\\85MPEG Layer-3";
// The Windows Media ASF writer among the DirectShow filters.
constexpr const char* kAsfWriterMoniker =
    "@device:sw:{083863F1-70DE-11D0-BD40-00A0C911CE86}\\{7C23220E-55BB-11D3-8B16-00C04FB6BD3D}";
// {048439BA-309C-440E-9CB4-3DCCA3756423}: the system profile of ASF recordings.
const GUID kAsfSystemProfile = {
    0x048439ba, 0x309c, 0x440e, {0x9c, 0xb4, 0x3d, 0xcc, 0xa3, 0x75, 0x64, 0x23}};

constexpr const char* kAviGraphError = "Create CreateGraphBuilder Error 0x%08X";
constexpr const char* kAviCameraError = "Create CreateCam Error 0x%08X";
constexpr const char* kAviCompressorError = "Create Compresser Error 0x%08X";
constexpr const char* kAviMultiplexerError = "Create AVIMux Error 0x%08X";
constexpr const char* kAviWriterError = "Create Writer Error 0x%08X";
constexpr const char* kAsfGraphError = "Create GraphBuilder Error 0x%08X";
constexpr const char* kAsfCameraError = "Create Cam Error 0x%08X";
constexpr const char* kAsfWriterError = "Create Writer Error 0x%08X";

HRESULT SetOutputFile(IBaseFilter* writer, const std::string& path) {
  CComPtr<IFileSinkFilter> sink;
  HRESULT hr = writer->QueryInterface(IID_IFileSinkFilter, reinterpret_cast<void**>(&sink));
  if (FAILED(hr)) return hr;
  if (!sink) return E_NOINTERFACE;
  const std::wstring name = WidenText(path);
  return sink->SetFileName(name.c_str(), nullptr);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// CGraphRecorder

CGraphRecorder::~CGraphRecorder() {
  if (m_control) m_control->Stop();
  CGraphRecorder::ReleaseAll();
}

HRESULT CGraphRecorder::Build() { return S_OK; }

void CGraphRecorder::ReleaseAll() {
  m_seeking.Reset();
  m_events.Reset();
  m_control.Reset();
  m_builder.Reset();
  m_graph.Reset();
}

HRESULT CGraphRecorder::Fail(const char* format, HRESULT hr) {
  char text[64];
  std::snprintf(text, sizeof(text), format, static_cast<unsigned>(hr));
  m_errorText = text;
  return hr;
}

HRESULT CGraphRecorder::CreateGraph() {
  HRESULT hr = S_OK;
  if (!m_graph) {
    hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                          IID_IGraphBuilder, reinterpret_cast<void**>(&m_graph));
    if (FAILED(hr)) return hr;
    if (!m_graph) return E_NOINTERFACE;
  }
  if (!m_builder) m_builder = m_graph;
  if (!m_control) {
    hr = m_graph.QueryInterface(IID_IMediaControl, &m_control);
    if (FAILED(hr)) return hr;
  }
  if (!m_events) {
    hr = m_graph.QueryInterface(IID_IMediaEventEx, &m_events);
    if (FAILED(hr)) return hr;
  }
  if (!m_seeking) {
    hr = m_graph.QueryInterface(IID_IMediaSeeking, &m_seeking);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT CGraphRecorder::AddFilter(IBaseFilter* filter, const std::wstring& name) {
  if (!m_graph || !filter) return E_POINTER;
  return m_graph->AddFilter(filter, name.c_str());
}

HRESULT CGraphRecorder::ConnectPins(IBaseFilter* from, int outIndex, IBaseFilter* to,
                                    int inIndex) {
  if (!m_builder) return E_POINTER;
  CComPtr<IPin> out;
  HRESULT hr = GetPin(from, outIndex, PINDIR_OUTPUT, &out);
  if (FAILED(hr)) return hr;
  CComPtr<IPin> in;
  hr = GetPin(to, inIndex, PINDIR_INPUT, &in);
  if (FAILED(hr)) return hr;
  return m_builder->Connect(out, in);
}

HRESULT CGraphRecorder::ConnectFilters(IBaseFilter* from, IBaseFilter* to) {
  return ConnectPins(from, 0, to, 0);
}

void CGraphRecorder::StartRunningClock() {
  if (m_clockRunning) return;
  m_clockStart = GetTickCount64();
  m_clockRunning = true;
}

void CGraphRecorder::StopRunningClock() {
  if (!m_clockRunning) return;
  m_runningMs += static_cast<int64_t>(GetTickCount64() - m_clockStart);
  m_clockRunning = false;
}

int64_t CGraphRecorder::GetRunningTime() const {
  return m_runningMs +
         (m_clockRunning ? static_cast<int64_t>(GetTickCount64() - m_clockStart) : 0);
}

HRESULT CGraphRecorder::Run() {
  // A graph whose build failed is half made: it must not run.
  if (!m_control || !m_built) return E_FAIL;
  HRESULT hr = m_control->Run();
  if (FAILED(hr)) {
    // Filters that started before one refused stay started while the graph counts itself
    // stopped; such a graph could never be stopped or taken apart (Wine's then loops for
    // ever when it is released).
    StopEveryFilter();
    return hr;
  }
  const HRESULT placed = OnRunning();
  if (FAILED(placed)) {
    Stop();
    StopEveryFilter();
    return placed;
  }
  StartRunningClock();
  return hr;
}

void CGraphRecorder::StopEveryFilter() {
  if (!m_graph) return;
  StopSources();
  CComPtr<IEnumFilters> filters;
  if (FAILED(m_graph->EnumFilters(&filters)) || !filters) return;
  IBaseFilter* filter = nullptr;
  while (filters->Next(1, &filter, nullptr) == S_OK && filter) {
    filter->Stop();
    filter->Release();
    filter = nullptr;
  }
}

HRESULT CGraphRecorder::Pause() {
  if (!m_control || !m_built) return E_FAIL;
  const HRESULT hr = m_control->Pause();
  if (SUCCEEDED(hr)) StopRunningClock();
  return hr;
}

HRESULT CGraphRecorder::Stop() {
  if (!m_control) return E_FAIL;
  StopSources();
  const HRESULT hr = m_control->Stop();
  StopRunningClock();
  return hr;
}

int32_t CGraphRecorder::GetState() {
  if (!m_control) return State_Stopped;
  OAFilterState state = State_Stopped;
  const HRESULT hr = m_control->GetState(kStateWaitMs, &state);
  if (FAILED(hr)) return State_Stopped;
  return state >= State_Stopped && state <= State_Running ? static_cast<int32_t>(state)
                                                          : State_Stopped;
}

HRESULT CGraphRecorder::GetPosition(int32_t* position, int32_t* duration) {
  if (!position || !duration) return E_POINTER;
  *position = 0;
  *duration = 0;
  if (!m_built) return E_FAIL;
  // The graph's own position, but never beyond the time it really ran: a live graph may
  // not know its position, and Wine's counts the paused time once it runs again.
  const int64_t running = GetRunningTime();
  int32_t graphPosition = 0, graphDuration = 0;
  if (SUCCEEDED(ReadMediaPosition(m_seeking.Get(), &graphPosition, &graphDuration, true)) &&
      graphPosition > 0 && graphPosition <= running) {
    *position = graphPosition;
    *duration = graphDuration;
    return S_OK;
  }
  *position = running > INT32_MAX ? INT32_MAX : static_cast<int32_t>(running);
  *duration = *position;
  return S_OK;
}

// ---------------------------------------------------------------------------------------
// CCaptureRecorder

CCaptureRecorder::CCaptureRecorder(const std::string& cameraName) : m_cameraName(cameraName) {}

CCaptureRecorder::~CCaptureRecorder() {
  if (m_control) Stop();
  CCaptureRecorder::ReleaseAll();
}

void CCaptureRecorder::ReleaseAll() {
  m_camera.Reset();
  m_audioCapture.Reset();
  CGraphRecorder::ReleaseAll();
}

void CCaptureRecorder::StopSources() {
  // The capture filters stop first, and their streaming threads with them: a graph stops
  // its filters from the writer upstream, and a multiplexer that finished its file while
  // a camera still delivered would write into a stream it no longer has (Wine's crashes).
  if (m_camera) m_camera->Stop();
  if (m_audioCapture) m_audioCapture->Stop();
}

HRESULT CCaptureRecorder::SetAudioDevice(const std::string& device) {
  if (device.empty()) return E_FAIL;
  m_audioDevice = device;
  return S_OK;
}

HRESULT CCaptureRecorder::BuildCapture(const char* graphError, const char* cameraError) {
  m_cameraDisplayName = EnumVideoInputDevices(m_cameraName).cameraDisplayName;

  HRESULT hr = CreateGraph();
  if (FAILED(hr)) return Fail(graphError, hr);

  // The name comes from the system's own device list (empty when the camera is missing,
  // which the parser refuses).
  m_camera.Reset();
  hr = BindMonikerFilter(m_cameraDisplayName, false, &m_camera);
  if (SUCCEEDED(hr)) hr = AddFilter(m_camera, L"Cam");
  if (FAILED(hr)) return Fail(cameraError, hr);

  AddSound();
  return S_OK;
}

void CCaptureRecorder::AddSound() {
  m_audioCapture.Reset();
  if (EqualsNoCase(m_audioDevice, "NONE")) return;
  std::string displayName;
  if (EqualsNoCase(m_audioDevice, "AUTO")) {
    const CCaptureDeviceList devices = EnumAudioCaptureDevices();
    if (devices.GetCount() == 0) return;
    displayName = devices.displayNames[size_t(GetDefaultAudioDevice(devices))];
  } else {
    displayName = m_audioDevice;
  }
  // Only device monikers: the text comes from the caller, and the system's parser would
  // also bind class, file, URL and script monikers. Sound that cannot be had is left out.
  CComPtr<IBaseFilter> capture;
  if (FAILED(BindMonikerFilter(displayName, true, &capture))) return;
  if (FAILED(AddFilter(capture, WidenText(displayName + " Audio Capture")))) return;
  m_audioCapture = capture;
}

// ---------------------------------------------------------------------------------------
// CAviRecorder

CAviRecorder::~CAviRecorder() {
  if (m_control) Stop();
  CAviRecorder::ReleaseAll();
}

void CAviRecorder::ReleaseAll() {
  m_compressor.Reset();
  m_multiplexer.Reset();
  m_writer.Reset();
  CCaptureRecorder::ReleaseAll();
}

HRESULT CAviRecorder::OnRunning() {
  // The writer is the engine's own filter, made by this recorder.
  auto* writer = static_cast<CFileWriter*>(m_writer.Get());
  if (!writer) return E_UNEXPECTED;
  const HRESULT hr = writer->PlaceFile();
  return FAILED(hr) ? Fail(kAviWriterError, hr) : hr;
}

HRESULT CAviRecorder::Build() {
  SetBuilt(false);
  HRESULT hr = BuildCapture(kAviGraphError, kAviCameraError);
  if (FAILED(hr)) return hr;

  if (m_audioCapture) {
    m_compressor.Reset();
    hr = BindMonikerFilter(kMp3CompressorMoniker, true, &m_compressor);
    if (SUCCEEDED(hr)) hr = AddFilter(m_compressor, L"Audio Compressor");
    if (SUCCEEDED(hr)) hr = ConnectFilters(m_audioCapture, m_compressor);
    if (FAILED(hr)) return Fail(kAviCompressorError, hr);
  }

  m_multiplexer.Reset();
  hr = CoCreateInstance(CLSID_AviDest, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                        reinterpret_cast<void**>(&m_multiplexer));
  if (SUCCEEDED(hr)) hr = AddFilter(m_multiplexer, L"AVI Mux");
  if (FAILED(hr)) return Fail(kAviMultiplexerError, hr);
  {
    // Fully interleaved: every stream's data in time order through the file.
    CComPtr<IConfigInterleaving> interleaving;
    if (SUCCEEDED(m_multiplexer.QueryInterface(IID_IConfigInterleaving, &interleaving)) &&
        interleaving)
      interleaving->put_Mode(INTERLEAVE_FULL);
  }

  // The writer joins before the streams do: a multiplexer may reconnect every connected
  // input when its output connects (Wine's then crashes on the second connection).
  m_writer.Reset();
  hr = CFileWriter::Create(&m_writer);
  if (SUCCEEDED(hr)) hr = AddFilter(m_writer, L"Writer");
  if (SUCCEEDED(hr)) hr = SetOutputFile(m_writer, m_outputPath);
  if (SUCCEEDED(hr)) hr = ConnectFilters(m_multiplexer, m_writer);
  if (FAILED(hr)) return Fail(kAviWriterError, hr);

  if (m_compressor) {
    hr = ConnectFilters(m_compressor, m_multiplexer);
    if (SUCCEEDED(hr)) hr = ConnectPins(m_camera, 0, m_multiplexer, 1);
  } else {
    hr = ConnectFilters(m_camera, m_multiplexer);
  }
  if (FAILED(hr)) return Fail(kAviMultiplexerError, hr);

  SetBuilt(true);
  return S_OK;
}

// ---------------------------------------------------------------------------------------
// CAsfRecorder

CAsfRecorder::~CAsfRecorder() {
  if (m_control) Stop();
  CAsfRecorder::ReleaseAll();
}

void CAsfRecorder::ReleaseAll() {
  m_asfWriter.Reset();
  CCaptureRecorder::ReleaseAll();
}

HRESULT CAsfRecorder::Build() {
  SetBuilt(false);
  HRESULT hr = BuildCapture(kAsfGraphError, kAsfCameraError);
  if (FAILED(hr)) return hr;

  m_asfWriter.Reset();
  hr = BindMonikerFilter(kAsfWriterMoniker, true, &m_asfWriter);
  if (SUCCEEDED(hr)) {
    CComPtr<IConfigAsfWriter> config;
    hr = m_asfWriter.QueryInterface(IID_IConfigAsfWriter, &config);
    if (SUCCEEDED(hr) && !config) hr = E_NOINTERFACE;
    // The profile is the writer's business: its answer changes nothing here.
    if (SUCCEEDED(hr)) config->ConfigureFilterUsingProfileGuid(kAsfSystemProfile);
  }
  if (SUCCEEDED(hr)) hr = AddFilter(m_asfWriter, L"Writer");
  if (SUCCEEDED(hr)) hr = SetOutputFile(m_asfWriter, m_outputPath);
  if (SUCCEEDED(hr)) {
    if (m_audioCapture) {
      hr = ConnectFilters(m_audioCapture, m_asfWriter);
      if (SUCCEEDED(hr)) hr = ConnectPins(m_camera, 0, m_asfWriter, 1);
    } else {
      hr = ConnectFilters(m_camera, m_asfWriter);
    }
  }
  if (FAILED(hr)) return Fail(kAsfWriterError, hr);

  SetBuilt(true);
  return S_OK;
}

CCaptureRecorder* NewRecorderForPath(const std::string& path, const std::string& cameraName) {
  if (EqualsNoCase(ExtensionOfPath(path), "ASF"))
    return new (std::nothrow) CAsfRecorder(cameraName);
  return new (std::nothrow) CAviRecorder(cameraName);
}
