#include "engine/api/Engine.h"

#include <new>
#include <vector>

#include "engine/base/DibSurface.h"
#include "engine/base/ModuleValues.h"
#include "engine/base/SystemUtils.h"
#include "engine/compositor/EffectCompositor.h"
#include "engine/base/TextUtils.h"
#include "engine/device/CaptureDevices.h"
#include "engine/effects/EffectFiles.h"
#include "engine/graphs/GraphRecorder.h"
#include "engine/picture/FrameStrip.h"
#include "image/Raster.h"

namespace {

// The ffdshow decoders play only inside the programs their "useonlyin" lists name.
constexpr const char* kFfdshowKeys[] = {"Software\\GNU\\ffdshow", "Software\\GNU\\ffdshow_audio"};
constexpr const char* kUseOnlyIn = "useonlyin";

// No exception leaves the engine through its interface: an operation that fails that way
// answers its failure value.
template <typename Result, typename Body>
Result Guarded(Result failure, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

template <typename Body>
void Guarded(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
  }
}

std::string TextOf(const char* text) { return text ? std::string(text) : std::string(); }

BOOL AsBool(HRESULT hr) { return SUCCEEDED(hr) ? TRUE : FALSE; }

// The type of a registry value, or REG_NONE when the key or value cannot be read.
DWORD RegValueType(HKEY root, const std::string& subKey, const std::string& valueName) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return REG_NONE;
  DWORD type = REG_NONE;
  if (RegQueryValueExA(key, valueName.c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
    type = REG_NONE;
  RegCloseKey(key);
  return type;
}

void FillDeviceList(const CCaptureDeviceList& devices, IVDStringArray* list) {
  if (!list) return;
  for (size_t i = 0; i < devices.GetCount(); ++i) {
    list->Add(devices.friendlyNames[i].c_str());
    list->Add(devices.displayNames[i].c_str());
  }
}

// Output sizes a picture can be made for.
bool IsUsableOutputSize(int width, int height) {
  return width > 0 && height > 0 && width <= CDibSurface::kMaxSide &&
         height <= CDibSurface::kMaxSide &&
         uint64_t(uint32_t(width)) * uint32_t(height) * 3 <= CDibSurface::kMaxBytes;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Module services

bool AppendToUseOnlyIn(const std::string& subKey, const std::string& fileName) {
  if (fileName.empty() || !RegValueExists(HKEY_CURRENT_USER, subKey, kUseOnlyIn)) return false;
  // The list belongs to ffdshow: a value of another type is not ours to replace.
  if (RegValueType(HKEY_CURRENT_USER, subKey, kUseOnlyIn) != REG_SZ) return false;
  std::string list = RegReadString(HKEY_CURRENT_USER, subKey, kUseOnlyIn, std::string());
  if (list.find(fileName) != std::string::npos) return false;
  list += "\r\n";
  list += fileName;
  return RegWriteString(HKEY_CURRENT_USER, subKey, kUseOnlyIn, list.c_str());
}

extern "C" IVDEngine* WINAPI CreateEngine() {
  return Guarded<IVDEngine*>(nullptr, [] { return new (std::nothrow) CEngine(); });
}

// ---------------------------------------------------------------------------------------
// Life

CEngine::CEngine() = default;

CEngine::~CEngine() {
  m_recorder.reset();
  m_compositor.reset();
}

void CEngine::Release() { Destroy(); }

void CEngine::Destroy() { delete this; }

void CEngine::RegisterWithFfdshow() {
  const std::string fileName = GetProgramFileName();
  for (const char* key : kFfdshowKeys) AppendToUseOnlyIn(key, fileName);
}

void CEngine::Initialize(const char* cameraName) {
  Guarded([&] {
    if (m_compositor) return;  // one composition per engine
    m_cameraName = TextOf(cameraName);
    RegisterWithFfdshow();
    if (m_outputWidth <= 0 || m_outputHeight <= 0) {
      // Not set by the program: the module's size, 320 x 240 unless set before.
      const SIZE size = GetModuleOutputSize();
      m_outputWidth = size.cx;
      m_outputHeight = size.cy;
    }
    std::unique_ptr<CEffectCompositor> compositor(new (std::nothrow) CEffectCompositor(this));
    if (!compositor) return;
    compositor->SetOutputSize(m_outputWidth, m_outputHeight);
    compositor->SetFrameRate(m_frameRate);
    compositor->LoadStockImages();
    m_compositor = std::move(compositor);
    m_compositor->Start();
  });
}

// ---------------------------------------------------------------------------------------
// Windows and settings

void CEngine::SetOwnerWindow(HWND window) {
  m_ownerWindow = window;
  SetModuleOwnerWindow(window);
}

int CEngine::SetNotifyWindow(HWND window) {
  m_notifyWindow = window;
  return 0;
}

int CEngine::SetPreviewWindow(HWND window) {
  return Guarded<int>(
      E_FAIL, [&] { return m_compositor ? m_compositor->SetPreviewWindow(window) : E_FAIL; });
}

int CEngine::EnableEffects(BOOL enable) {
  return Guarded<int>(E_FAIL,
                      [&] { return m_compositor ? m_compositor->EnableEffects(enable) : E_FAIL; });
}

void CEngine::SetHostVersion(int version) { ::SetHostVersion(version); }

int CEngine::SetOutputSize(int width, int height) {
  return Guarded<int>(0, [&] {
    if (!IsUsableOutputSize(width, height)) return 0;
    const int32_t oldWidth = m_outputWidth;
    const int32_t oldHeight = m_outputHeight;
    const SIZE oldModuleSize = GetModuleOutputSize();
    // Sources made during the resize read the new size.
    m_outputWidth = width;
    m_outputHeight = height;
    SetModuleOutputSize(width, height);
    if (m_compositor && FAILED(m_compositor->SetOutputSize(width, height))) {
      m_outputWidth = oldWidth;
      m_outputHeight = oldHeight;
      SetModuleOutputSize(oldModuleSize.cx, oldModuleSize.cy);
      return 0;
    }
    return 1;
  });
}

int CEngine::SetFrameRate(int framesPerSecond) {
  return Guarded<int>(0, [&] {
    m_frameRate = framesPerSecond < 0 ? 0
                  : framesPerSecond > CEffectCompositor::kMaxFrameRate
                      ? CEffectCompositor::kMaxFrameRate
                      : framesPerSecond;
    if (m_compositor) m_compositor->SetFrameRate(m_frameRate);
    return 1;
  });
}

int CEngine::EnableSourceFilter(int kind, BOOL enable) {
  ::EnableSourceFilter(kind, enable != FALSE);
  return 0;
}

void CEngine::Tick() {
  Guarded([&] {
    if (m_compositor) m_compositor->Tick();
  });
}

// ---------------------------------------------------------------------------------------
// Events

int CEngine::GetLastEvent(int* code, IVDString* text) {
  return Guarded<int>(0, [&] {
    int32_t lastCode = 0;
    std::string lastText;
    {
      std::lock_guard<std::mutex> lock(m_eventLock);
      lastCode = m_eventCode;
      lastText = m_eventText;
      m_eventCode = 0;
    }
    if (code) *code = lastCode;
    if (!text) return 0;
    text->SetText(lastText.c_str());
    return 1;
  });
}

void CEngine::ReportEvent(int32_t code, const std::string& text) {
  Guarded([&] {
    {
      std::lock_guard<std::mutex> lock(m_eventLock);
      m_eventCode = code;
      m_eventText = text;
    }
    PostHostMessage(WM_ENGINE_EVENT, 1, static_cast<LPARAM>(code));
  });
}

LRESULT CEngine::SendHostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = m_notifyWindow;
  return window ? SendMessageA(window, message, wParam, lParam) : -1;
}

LRESULT CEngine::PostHostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = m_notifyWindow;
  return window ? PostMessageA(window, message, wParam, lParam) : -1;
}

HWND CEngine::GetNotifyWindow() { return m_notifyWindow; }

HWND CEngine::GetOwnerWindow() { return m_ownerWindow; }

int32_t CEngine::GetOutputWidth() { return m_outputWidth; }

int32_t CEngine::GetOutputHeight() { return m_outputHeight; }

std::string CEngine::GetCameraName() { return m_cameraName; }

// ---------------------------------------------------------------------------------------
// Devices

int CEngine::GetCaptureDevices(IVDStringArray* devices, int* defaultIndex) {
  return Guarded<int>(1, [&] {
    const CCaptureDeviceList list = EnumVideoInputDevices(m_cameraName);
    FillDeviceList(list, devices);
    if (defaultIndex) *defaultIndex = GetDefaultVideoDevice(list);
    return 1;
  });
}

int CEngine::GetAudioCaptureDevices(IVDStringArray* devices, int* defaultIndex) {
  return Guarded<int>(1, [&] {
    const CCaptureDeviceList list = EnumAudioCaptureDevices();
    FillDeviceList(list, devices);
    if (defaultIndex) *defaultIndex = GetDefaultAudioDevice(list);
    return 1;
  });
}

// ---------------------------------------------------------------------------------------
// Effects and properties

BOOL CEngine::AddEffect(const char* path, const char* kind, const char* category,
                        const char* name) {
  return Guarded<BOOL>(FALSE, [&] {
    return m_compositor ? AsBool(m_compositor->AddEffect(path, kind, category, name)) : FALSE;
  });
}

void CEngine::GetEffectList(IVDStringArray* list, int* selectedIndex) {
  Guarded([&] {
    std::vector<std::string> texts;
    int selected = -1;
    if (m_compositor) m_compositor->GetEffectList(texts, &selected);
    if (list) {
      for (const std::string& text : texts) list->Add(text.c_str());
    }
    if (selectedIndex) *selectedIndex = selected;
  });
}

int CEngine::SelectEffect(int effectId) {
  return Guarded<int>(E_FAIL,
                      [&] { return m_compositor ? m_compositor->SelectEffect(effectId) : E_FAIL; });
}

int CEngine::GetSelectedEffect() {
  return Guarded<int>(0, [&] { return m_compositor ? m_compositor->GetSelectedEffect() : 0; });
}

BOOL CEngine::GetProperty(int moduleId, int propertyId, const char* argument, IVDString* value) {
  return Guarded<BOOL>(FALSE, [&] {
    if (!m_compositor) return FALSE;
    std::string text = TextOf(argument);
    if (FAILED(m_compositor->GetProperty(moduleId, propertyId, text))) return FALSE;
    if (value) value->SetText(text.c_str());
    return TRUE;
  });
}

BOOL CEngine::SetProperty(int moduleId, int propertyId, const char* value) {
  return Guarded<BOOL>(FALSE, [&] {
    return m_compositor ? AsBool(m_compositor->SetProperty(moduleId, propertyId, TextOf(value)))
                        : FALSE;
  });
}

BOOL CEngine::SaveEffect(int effectId, const char* kind, const char* category, const char* name,
                         const char* path) {
  return Guarded<BOOL>(FALSE, [&] {
    return m_compositor ? AsBool(m_compositor->SaveEffect(effectId, kind, category, name, path))
                        : FALSE;
  });
}

int CEngine::RemoveEffect(int effectId) {
  return Guarded<int>(E_FAIL,
                      [&] { return m_compositor ? m_compositor->RemoveEffect(effectId) : E_FAIL; });
}

int CEngine::ClearEffects() {
  return Guarded<int>(E_FAIL, [&] { return m_compositor ? m_compositor->ClearEffects() : E_FAIL; });
}

BOOL CEngine::RemoveEffectsOfKind(const char* kind) {
  return Guarded<BOOL>(TRUE, [&] {
    if (m_compositor) m_compositor->RemoveEffectsOfKind(TextOf(kind));
    return TRUE;
  });
}

int CEngine::SetEffectOnTop(int effectId, BOOL onTop) {
  return Guarded<int>(1, [&] {
    if (m_compositor) m_compositor->SetEffectOnTop(effectId, onTop);
    return 1;
  });
}

int CEngine::SetSortByKind(BOOL sort) {
  return Guarded<int>(E_FAIL,
                      [&] { return m_compositor ? m_compositor->SetSortByKind(sort) : E_FAIL; });
}

void CEngine::SetKindOrder(IVDStringArray* kinds) {
  Guarded([&] {
    if (!m_compositor || !kinds) return;
    std::vector<std::string> names;
    const int count = kinds->GetCount();
    for (int i = 0; i < count; ++i) names.push_back(TextOf(kinds->Get(i)));
    m_compositor->SetKindOrder(names);
  });
}

void CEngine::ReorderEffects(const char* moves) {
  Guarded([&] {
    if (m_compositor) m_compositor->Reorder(TextOf(moves));
  });
}

int CEngine::PreviewMouse(BOOL drawingBoard, UINT message, int x, int y) {
  return Guarded<int>(0, [&] {
    return m_compositor ? m_compositor->PreviewMouse(drawingBoard, message, x, y) : 0;
  });
}

BOOL CEngine::GetKindMultiple(const char* kind) {
  return Guarded<BOOL>(
      FALSE, [&] { return m_compositor ? m_compositor->GetKindMultiple(TextOf(kind)) : FALSE; });
}

BOOL CEngine::SetKindMultiple(const char* kind, BOOL multiple) {
  return Guarded<BOOL>(TRUE, [&] {
    if (m_compositor) m_compositor->SetKindMultiple(TextOf(kind), multiple);
    return TRUE;
  });
}

BOOL CEngine::OpenElementFile(int moduleId, const char* path) {
  return Guarded<BOOL>(FALSE, [&] {
    return m_compositor ? AsBool(m_compositor->OpenElementFile(moduleId, TextOf(path))) : FALSE;
  });
}

BOOL CEngine::LoadElementSource(int moduleId, const char* effectFilePath) {
  return Guarded<BOOL>(FALSE, [&] {
    return m_compositor ? AsBool(m_compositor->LoadElementSource(moduleId, TextOf(effectFilePath)))
                        : FALSE;
  });
}

BOOL CEngine::RemoveEffectByPath(const char* path) {
  return Guarded<BOOL>(TRUE, [&] {
    if (m_compositor) m_compositor->RemoveEffectByPath(TextOf(path));
    return TRUE;
  });
}

int CEngine::RemoveBackgroundEffects() {
  return Guarded<int>(E_FAIL, [&]() -> int {
    if (!m_compositor) return E_FAIL;
    m_compositor->RemoveBackgroundEffects();
    return 0;
  });
}

BOOL CEngine::DrawElementFrame(int moduleId, HDC dc, int x, int y, int cx, int cy) {
  return Guarded<BOOL>(FALSE, [&] {
    return m_compositor ? AsBool(m_compositor->DrawElementFrame(moduleId, dc, x, y, cx, cy))
                        : FALSE;
  });
}

// ---------------------------------------------------------------------------------------
// Recording

int CEngine::GetRecordingState() {
  return Guarded<int>(0, [&] { return m_recorder ? m_recorder->GetState() : 0; });
}

BOOL CEngine::StartRecording(const char* path, const char* audioDevice) {
  std::string errorText;
  const BOOL started = Guarded<BOOL>(FALSE, [&] {
    m_recorder.reset();
    std::unique_ptr<CCaptureRecorder> recorder(NewRecorderForPath(TextOf(path), m_cameraName));
    if (!recorder) return FALSE;
    HRESULT hr = recorder->SetAudioDevice(TextOf(audioDevice));
    if (SUCCEEDED(hr)) {
      recorder->SetOutputPath(TextOf(path));
      hr = recorder->Build();
      if (SUCCEEDED(hr)) hr = recorder->Run();
    }
    errorText = recorder->GetErrorText();
    // A failed recorder stays until the next start or stop; it cannot run.
    m_recorder = std::move(recorder);
    return SUCCEEDED(hr) ? TRUE : FALSE;
  });
  if (!started) ReportEvent(ENGINE_EVENT_RECORD_ERROR, errorText);
  return started;
}

BOOL CEngine::StopRecording() {
  return Guarded<BOOL>(FALSE, [&] {
    if (!m_recorder) return FALSE;
    if (m_recorder->GetState() != State_Stopped) m_recorder->Stop();
    m_recorder.reset();
    return TRUE;
  });
}

BOOL CEngine::PauseRecording() {
  return Guarded<BOOL>(FALSE, [&] {
    if (!m_recorder) return FALSE;
    const HRESULT hr =
        m_recorder->GetState() == State_Running ? m_recorder->Pause() : m_recorder->Run();
    return SUCCEEDED(hr) ? TRUE : FALSE;
  });
}

BOOL CEngine::GetRecordingTime(IVDString* time) {
  return Guarded<BOOL>(FALSE, [&] {
    if (!m_recorder) return FALSE;
    int32_t position = 0, duration = 0;
    m_recorder->GetPosition(&position, &duration);
    if (time) time->SetText(FormatDurationMs(position).c_str());
    return TRUE;
  });
}

// ---------------------------------------------------------------------------------------
// Pictures, snapshots and effect files

BOOL CEngine::GetThumbnail(const char* source, HBITMAP* bitmap) {
  if (bitmap) *bitmap = nullptr;
  return Guarded<BOOL>(TRUE, [&] {
    HBITMAP made = MakeEffectThumbnail(TextOf(source));
    if (bitmap)
      *bitmap = made;
    else if (made)
      DeleteObject(made);
    return TRUE;
  });
}

BOOL CEngine::CopyEffectFile(const char* source, const char* destination, const char* kind,
                             const char* category, const char* name) {
  return Guarded<BOOL>(FALSE, [&] {
    return ::CopyEffectFile(TextOf(source), TextOf(destination), TextOf(kind), TextOf(category),
                            TextOf(name))
               ? TRUE
               : FALSE;
  });
}

BOOL CEngine::CreateEffectFile(const char* path, const char*, const char*, const char* kind,
                               int elementType, const char* source) {
  return Guarded<BOOL>(FALSE, [&] {
    return ::CreateEffectFile(TextOf(path), TextOf(kind), elementType, TextOf(source)) ? TRUE
                                                                                        : FALSE;
  });
}

BOOL CEngine::ReadEffectInfo(const char* path, IVDStringArray* info) {
  return Guarded<BOOL>(FALSE, [&] {
    std::vector<std::string> texts;
    if (!::ReadEffectInfo(TextOf(path), texts)) return FALSE;
    if (info) {
      for (const std::string& text : texts) info->Add(text.c_str());
    }
    return TRUE;
  });
}

BOOL CEngine::LoadPicture(const char* path, HBITMAP* bitmap, int* frameCount, IVDString* delays) {
  if (bitmap) *bitmap = nullptr;
  if (frameCount) *frameCount = 0;
  return Guarded<BOOL>(FALSE, [&] {
    if (!path) return FALSE;
    CFrameStrip strip;
    if (FAILED(strip.LoadFrames(path, -1, nullptr, 0))) return FALSE;
    if (delays) delays->SetText(strip.GetDelaysText().c_str());
    if (frameCount) *frameCount = strip.GetFrameCount();
    // The caller owns the strip's bitmap from here on.
    HBITMAP strips = strip.Detach();
    if (bitmap)
      *bitmap = strips;
    else if (strips)
      DeleteObject(strips);
    return TRUE;
  });
}

BOOL CEngine::DrawPicture(const char* path, HDC dc, int width, int height) {
  return Guarded<BOOL>(FALSE, [&] {
    if (!path) return FALSE;
    CRaster picture;
    if (!picture.Load(path, IMAGE_FORMAT_UNKNOWN)) return FALSE;
    const RECT box = {0, 0, width, height};
    const RECT area = FitRect(RECT{0, 0, picture.GetWidth(), picture.GetHeight()}, box);
    picture.DrawInRect(dc, area, nullptr, false);
    return TRUE;
  });
}

int32_t SnapshotFormatOf(const std::string& format) {
  if (EqualsNoCase(format, "GIF")) return IMAGE_FORMAT_GIF;
  if (EqualsNoCase(format, "JPG")) return IMAGE_FORMAT_JPG;
  if (EqualsNoCase(format, "BMP")) return IMAGE_FORMAT_BMP;
  return IMAGE_FORMAT_PNG;
}

BOOL CEngine::SaveSnapshot(const char* path, const char* format) {
  const std::string file = TextOf(path);
  const BOOL saved = Guarded<BOOL>(FALSE, [&] {
    return m_compositor && !file.empty() &&
                   SUCCEEDED(m_compositor->Snapshot(file, SnapshotFormatOf(TextOf(format))))
               ? TRUE
               : FALSE;
  });
  if (!saved) ReportEvent(ENGINE_EVENT_SNAPSHOT_ERROR, file);
  return saved;
}
