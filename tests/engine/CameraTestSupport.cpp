#include "tests/engine/CameraTestSupport.h"

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "tests/engine/EngineClient.h"
#include "tests/platform/dshow/TestFilters.h"

namespace camera_test {

namespace {

// {7A31C2D4-6B58-4E19-9F0A-2C8D4B6E1A37}
const CLSID kGrabberClsid = {
    0x7a31c2d4, 0x6b58, 0x4e19, {0x9f, 0x0a, 0x2c, 0x8d, 0x4b, 0x6e, 0x1a, 0x37}};

}  // namespace

std::string ProgramFolder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, n);
  return folder.substr(0, folder.rfind('\\') + 1);
}

bool InstallCamera(engine_client::Library& library) {
  library.RemoveDevice(kHardwareId);
  const std::string inf = ProgramFolder() + "TaviscoCam.inf";
  EXPECT_EQ(library.InstallDevice(inf.c_str(), kHardwareId), 1);
  return library.FindDevice(kHardwareId) != FALSE;
}

CGrabber::CGrabber(HRESULT* phr) : CBaseRenderer(kGrabberClsid, L"Grabber", nullptr, phr) {}

HRESULT CGrabber::CheckMediaType(const CMediaType* mt) {
  return IsEqualGUID(*mt->Subtype(), MEDIASUBTYPE_RGB24) &&
                 IsEqualGUID(*mt->FormatType(), FORMAT_VideoInfo) &&
                 mt->FormatLength() >= sizeof(VIDEOINFOHEADER)
             ? S_OK
             : E_INVALIDARG;
}

HRESULT CGrabber::SetMediaType(const CMediaType* mt) {
  m_header = reinterpret_cast<const VIDEOINFOHEADER*>(mt->Format())->bmiHeader;
  return S_OK;
}

HRESULT CGrabber::DoRenderSample(IMediaSample* sample) {
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data))) return E_FAIL;
  const long length = sample->GetActualDataLength();
  if (length < 0) return E_FAIL;
  const int width = m_header.biWidth;
  const int height = m_header.biHeight < 0 ? -m_header.biHeight : m_header.biHeight;
  // Rows of 3-byte pixels whose width is a multiple of 4 have no padding.
  const int64_t index =
      width % 4 == 0 ? DecodeFrame(data, size_t(length), width, height, 3) : int64_t(-1);
  CAutoLock lock(&m_lock);
  m_last.assign(data, data + length);
  m_indices.push_back(index);
  ++m_samples;
  return S_OK;
}

std::vector<BYTE> CGrabber::Last() {
  CAutoLock lock(&m_lock);
  return m_last;
}

std::vector<int64_t> CGrabber::Indices() {
  CAutoLock lock(&m_lock);
  return m_indices;
}

void CGrabber::ClearIndices() {
  CAutoLock lock(&m_lock);
  m_indices.clear();
}

CComPtr<IBaseFilter> BindCamera() {
  CComPtr<IBaseFilter> filter;
  CComPtr<ICreateDevEnum> devices;
  CComPtr<IEnumMoniker> monikers;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ICreateDevEnum, reinterpret_cast<void**>(&devices))) ||
      devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0) != S_OK)
    return filter;
  const std::wstring wanted(kCameraName, kCameraName + strlen(kCameraName));
  for (CComPtr<IMoniker> moniker; monikers->Next(1, &moniker, nullptr) == S_OK; moniker.Reset()) {
    CComPtr<IPropertyBag> bag;
    VARIANT v;
    VariantInit(&v);
    if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                         reinterpret_cast<void**>(&bag))) &&
        SUCCEEDED(bag->Read(L"FriendlyName", &v, nullptr)) && v.vt == VT_BSTR &&
        wanted == v.bstrVal) {
      moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter));
    }
    VariantClear(&v);
    if (filter) break;
  }
  return filter;
}

bool CameraCapture::Start() {
  CComPtr<IBaseFilter> camera = BindCamera();
  EXPECT_TRUE(camera) << "the camera is among the video capture devices";
  if (!camera) return false;
  HRESULT hr = S_OK;
  m_grabber = new CGrabber(&hr);
  m_grabber->NonDelegatingQueryInterface(IID_IBaseFilter,
                                         reinterpret_cast<void**>(&m_grabberFilter));
  CComPtr<ICaptureGraphBuilder2> builder;
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              reinterpret_cast<void**>(&m_graph))) ||
      FAILED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ICaptureGraphBuilder2, reinterpret_cast<void**>(&builder))))
    return false;
  builder->SetFiltergraph(m_graph);
  m_graph->AddFilter(camera, L"Camera");
  m_graph->AddFilter(m_grabberFilter, L"Grabber");
  hr = builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera, nullptr,
                             m_grabberFilter);
  EXPECT_EQ(hr, S_OK) << "the capture pin connects to the grabber";
  if (FAILED(hr)) return false;
  m_graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_control));
  return m_control && SUCCEEDED(m_control->Run());
}

void CameraCapture::Stop() {
  if (m_control) m_control->Stop();
  m_control.Reset();
}

Captured CameraCapture::Last() {
  Captured out;
  if (m_grabber) {
    out.header = m_grabber->Header();
    out.pixels = m_grabber->Last();
  }
  return out;
}

bool CaptureFromCamera(Captured& out) {
  CameraCapture capture;
  if (!capture.Start()) return false;
  for (int i = 0; i < 300 && capture.Grabber()->Samples() < 3; ++i) Sleep(10);
  capture.Stop();
  out = capture.Last();
  return capture.Grabber()->Samples() >= 1;
}

// The picture file drawn to the output size on black, as GDI+ scales it.
Captured ScaledPicture(const std::string& path, int width, int height) {
  Captured out;
  out.header.biSize = sizeof(BITMAPINFOHEADER);
  out.header.biWidth = width;
  out.header.biHeight = height;
  out.header.biPlanes = 1;
  out.header.biBitCount = 24;
  BITMAPINFO info = {};
  info.bmiHeader = out.header;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  PatBlt(dc, 0, 0, width, height, BLACKNESS);
  {
    const std::wstring wide(path.begin(), path.end());
    Gdiplus::Bitmap picture(wide.c_str());
    Gdiplus::Graphics graphics(dc);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBilinear);
    if (picture.GetLastStatus() == Gdiplus::Ok) graphics.DrawImage(&picture, 0, 0, width, height);
  }
  GdiFlush();
  const size_t stride = size_t(((width * 24 + 31) / 32) * 4);
  const BYTE* data = static_cast<const BYTE*>(bits);
  out.pixels.assign(data, data + stride * size_t(height));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return out;
}

// The mean difference of the colour bytes of two pictures of the same size.
double MeanDifference(const Captured& a, const Captured& b) {
  if (a.pixels.size() != b.pixels.size() || a.pixels.empty()) return 255;
  double sum = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) sum += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
  return sum / double(a.pixels.size());
}

}  // namespace camera_test
