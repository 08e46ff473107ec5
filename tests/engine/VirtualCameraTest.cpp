// The virtual camera end to end: the camera installer puts the stand-in camera in place,
// FindDevice sees it, the driver channel opens it by its friendly name and sends frames,
// and a separate capture graph, built as a messenger builds one, receives those frames
// pixel for pixel. Removing it makes FindDevice false again.
#include <windows.h>
#include <dshow.h>
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "engine/base/DibSurface.h"
#include "engine/base/SystemUtils.h"
#include "engine/device/CaptureDevices.h"
#include "engine/device/DeviceSetup.h"
#include "engine/device/DriverChannel.h"
#include "platform/dshow/BaseRenderer.h"

namespace {

constexpr const char* kHardwareId = "root\\TaviscoVCam";
constexpr const char* kCameraName = "Tavisco Virtual Camera";  // as the INF file names it

// {0B1E9A5D-3C47-4F0E-8D21-6A95C4E1F702}
const CLSID kGrabberClsid = {0x0b1e9a5d, 0x3c47, 0x4f0e, {0x8d, 0x21, 0x6a, 0x95, 0xc4, 0xe1, 0xf7, 0x02}};

// A renderer that keeps a copy of the last RGB24 sample.
class CGrabber : public CBaseRenderer {
 public:
  explicit CGrabber(HRESULT* phr) : CBaseRenderer(kGrabberClsid, L"Grabber", nullptr, phr) {}
  HRESULT CheckMediaType(const CMediaType* mt) override {
    return IsEqualGUID(*mt->Subtype(), MEDIASUBTYPE_RGB24) &&
                   IsEqualGUID(*mt->FormatType(), FORMAT_VideoInfo) &&
                   mt->FormatLength() >= sizeof(VIDEOINFOHEADER)
               ? S_OK
               : E_INVALIDARG;
  }
  HRESULT SetMediaType(const CMediaType* mt) override {
    header_ = reinterpret_cast<const VIDEOINFOHEADER*>(mt->Format())->bmiHeader;
    return S_OK;
  }
  HRESULT DoRenderSample(IMediaSample* sample) override {
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data))) return E_FAIL;
    CAutoLock lock(&lock_);
    last_.assign(data, data + sample->GetActualDataLength());
    ++samples_;
    return S_OK;
  }
  int Samples() const { return samples_; }
  std::vector<BYTE> Last() {
    CAutoLock lock(&lock_);
    return last_;
  }
  BITMAPINFOHEADER Header() const { return header_; }

 private:
  CCritSec lock_;
  std::vector<BYTE> last_;
  std::atomic<int> samples_{0};
  BITMAPINFOHEADER header_ = {};
};

// The camera's filter, found through the system device enumerator by friendly name.
CComPtr<IBaseFilter> BindCamera(const char* name) {
  CComPtr<IBaseFilter> filter;
  CComPtr<ICreateDevEnum> devices;
  CComPtr<IEnumMoniker> monikers;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ICreateDevEnum, reinterpret_cast<void**>(&devices))) ||
      devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0) != S_OK)
    return filter;
  const std::wstring wanted(name, name + strlen(name));
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

// Opens the camera in a capture graph, runs it until a frame arrived, and returns that
// frame with the connected picture header.
bool CaptureOneFrame(std::vector<BYTE>& frame, BITMAPINFOHEADER& header) {
  CComPtr<IBaseFilter> camera = BindCamera(kCameraName);
  if (!camera) return false;
  HRESULT hr = S_OK;
  CGrabber* grabber = new CGrabber(&hr);
  CComPtr<IBaseFilter> grabberFilter;
  grabber->NonDelegatingQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&grabberFilter));

  CComPtr<IGraphBuilder> graph;
  CComPtr<ICaptureGraphBuilder2> builder;
  CComPtr<IMediaControl> control;
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              reinterpret_cast<void**>(&graph))) ||
      FAILED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ICaptureGraphBuilder2, reinterpret_cast<void**>(&builder))))
    return false;
  builder->SetFiltergraph(graph);
  EXPECT_EQ(graph->AddFilter(camera, L"Camera"), S_OK);
  EXPECT_EQ(graph->AddFilter(grabberFilter, L"Grabber"), S_OK);
  hr = builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera, nullptr, grabberFilter);
  EXPECT_EQ(hr, S_OK) << "the capture pin connects to the grabber";
  if (FAILED(hr)) return false;
  graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
  control->Run();
  for (int i = 0; i < 300 && grabber->Samples() < 2; ++i) Sleep(10);
  control->Stop();
  frame = grabber->Last();
  header = grabber->Header();
  return grabber->Samples() >= 1;
}

void Paint(CDibSurface& s, int seed) {
  for (int y = 0; y < s.GetHeight(); ++y) {
    BYTE* row = s.GetBits() + size_t(y) * s.GetStride();
    for (int x = 0; x < s.GetWidth() * 3; ++x) row[x] = BYTE(x * 3 + y * 11 + seed);
  }
}

// A root device with a list of hardware ids, made and removed through SetupAPI.
class ScopedRootDevice {
 public:
  explicit ScopedRootDevice(const std::vector<std::string>& ids) {
    set_ = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_IMAGE, nullptr);
    dev_.cbSize = sizeof(dev_);
    std::vector<BYTE> list;
    for (const std::string& id : ids) {
      list.insert(list.end(), id.begin(), id.end());
      list.push_back(0);
    }
    list.push_back(0);
    ok_ = set_ != INVALID_HANDLE_VALUE &&
          SetupDiCreateDeviceInfoA(set_, "Image", &GUID_DEVCLASS_IMAGE, "test device", nullptr,
                                   DICD_GENERATE_ID, &dev_) &&
          SetupDiSetDeviceRegistryPropertyA(set_, &dev_, SPDRP_HARDWAREID, list.data(),
                                            DWORD(list.size())) &&
          SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set_, &dev_);
  }
  ~ScopedRootDevice() {
    if (ok_) SetupDiRemoveDevice(set_, &dev_);
    if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
  }
  bool ok() const { return ok_; }

 private:
  HDEVINFO set_ = INVALID_HANDLE_VALUE;
  SP_DEVINFO_DATA dev_ = {};
  bool ok_ = false;
};

class VirtualCamera : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    RemoveDevice(kHardwareId);  // a run that was killed may have left its camera behind
  }
  void TearDown() override {
    RemoveDevice(kHardwareId);  // whatever happened, leave no camera behind
    CoUninitialize();
  }
};

}  // namespace

TEST_F(VirtualCamera, InstallsSendsFramesToAnotherGraphAndRemoves) {
  ASSERT_FALSE(FindDevice(kHardwareId));
  EXPECT_NE(GetDeviceDiagnostic().find("EnumDeviceInfo FAILURE:(0x00000103)"), std::string::npos)
      << GetDeviceDiagnostic();

  // The INF path goes to the installer unquoted: put it in a folder with blanks.
  const std::string folder = GetTempFolder() + "Tavisco camera test folder\\";
  ASSERT_EQ(CreateDirectoryPath(folder), S_OK);
  const std::string inf = folder + "TaviscoCam.inf";
  ASSERT_TRUE(CopyFileA((GetProgramFolder() + "TaviscoCam.inf").c_str(), inf.c_str(), FALSE));
  EXPECT_EQ(InstallDevice(inf.c_str(), kHardwareId), 1);
  ASSERT_TRUE(FindDevice(kHardwareId));
  EXPECT_TRUE(FindDevice("ROOT\\TAVISCOVCAM")) << "hardware ids compare without regard to case";

  const CCaptureDeviceList devices = EnumVideoInputDevices(kCameraName);
  EXPECT_FALSE(devices.cameraDisplayName.empty());

  CDriverChannel channel(kCameraName);
  ASSERT_TRUE(channel.IsOpen());
  for (SIZE size : {SIZE{320, 240}, SIZE{176, 144}}) {
    SCOPED_TRACE(size.cx);
    CDibSurface picture;
    ASSERT_TRUE(picture.Create(size.cx, size.cy, 24));
    Paint(picture, size.cx);
    channel.SendFrame(picture);

    std::vector<BYTE> frame;
    BITMAPINFOHEADER header = {};
    ASSERT_TRUE(CaptureOneFrame(frame, header));
    EXPECT_EQ(header.biWidth, size.cx);
    EXPECT_EQ(header.biHeight, size.cy);
    ASSERT_EQ(frame.size(), picture.GetBitsSize());
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), picture.GetBits())) << "pixel-exact";
  }

  EXPECT_EQ(RemoveDevice(kHardwareId), 1);
  EXPECT_FALSE(FindDevice(kHardwareId));
  EXPECT_TRUE(EnumVideoInputDevices(kCameraName).cameraDisplayName.empty());
  DeleteFileA(inf.c_str());
  RemoveDirectoryA(folder.c_str());
}

TEST_F(VirtualCamera, FindDeviceMatchesAnyIdOfADevicesList) {
  ScopedRootDevice device({"TaviscoTest\\First", "TaviscoTest\\Second"});
  ASSERT_TRUE(device.ok());
  EXPECT_TRUE(FindDevice("TaviscoTest\\First"));
  EXPECT_TRUE(FindDevice("taviscotest\\second"));
  EXPECT_FALSE(FindDevice("TaviscoTest\\Sec"));
  EXPECT_FALSE(FindDevice("TaviscoTest\\Third"));
}

TEST_F(VirtualCamera, InstallerFailuresStillAnswerOne) {
  EXPECT_EQ(InstallDevice("C:\\no such folder\\missing.inf", kHardwareId), 1);
  EXPECT_FALSE(FindDevice(kHardwareId));
}
