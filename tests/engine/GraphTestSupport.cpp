#include "tests/engine/GraphTestSupport.h"

#include <chrono>
#include <cstdio>

#include "tests/platform/dshow/AviWriter.h"
#include "tests/platform/dshow/TestFilters.h"

namespace graph_test {

HRESULT CRecordingSink::OnFrame(const BITMAPINFOHEADER* header, const BYTE* bits,
                                const GUID& subtype) {
  SinkFrame frame{};
  frame.header = *header;
  frame.subtype = subtype;
  frame.bits = bits;
  frame.index = -1;
  const int width = header->biWidth;
  const int height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  const int bytesPerPixel = header->biBitCount / 8;
  if (width > 0 && height > 0 && (bytesPerPixel == 3 || bytesPerPixel == 4)) {
    // The renderer's rows are padded to 4 bytes.
    const size_t stride = (static_cast<size_t>(width) * header->biBitCount + 31) / 32 * 4;
    frame.pixels.resize(static_cast<size_t>(width) * 3 * height);
    for (int row = 0; row < height; ++row) {
      const BYTE* in = bits + row * stride;
      uint8_t* out = &frame.pixels[static_cast<size_t>(row) * width * 3];
      for (int x = 0; x < width; ++x)
        for (int c = 0; c < 3; ++c) out[x * 3 + c] = in[x * bytesPerPixel + c];
    }
    frame.index = DecodeFrame(frame.pixels.data(), frame.pixels.size(), width, height, 3);
    // A source that codes all four bytes of its 32-bit pixels.
    if (frame.index < 0 && bytesPerPixel == 4)
      frame.index = DecodeFrame(bits, stride * height, width, height, 4);
  }
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_frames.push_back(std::move(frame));
  }
  m_arrived.notify_all();
  return S_OK;
}

std::vector<SinkFrame> CRecordingSink::Frames() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_frames;
}

size_t CRecordingSink::Count() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_frames.size();
}

void CRecordingSink::Clear() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_frames.clear();
}

bool CRecordingSink::WaitForCount(size_t count, DWORD timeoutMs) {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [&] { return m_frames.size() >= count; });
}

std::vector<int64_t> CRecordingSink::Indices() {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<int64_t> indices;
  for (const SinkFrame& frame : m_frames) indices.push_back(frame.index);
  return indices;
}

Bgr PixelAt(const SinkFrame& frame, int x, int y) {
  const int width = frame.header.biWidth;
  const int height = frame.header.biHeight < 0 ? -frame.header.biHeight : frame.header.biHeight;
  const int row = frame.header.biHeight < 0 ? y : height - 1 - y;
  const uint8_t* p = &frame.pixels[(static_cast<size_t>(row) * width + x) * 3];
  return {p[0], p[1], p[2]};
}

std::vector<std::wstring> CProbeGraph::FilterNames() {
  std::vector<std::wstring> names;
  if (!m_graph) return names;
  CComPtr<IEnumFilters> filters;
  if (FAILED(m_graph->EnumFilters(&filters))) return names;
  for (;;) {
    CComPtr<IBaseFilter> filter;
    if (filters->Next(1, &filter, nullptr) != S_OK) break;
    FILTER_INFO info{};
    if (SUCCEEDED(filter->QueryFilterInfo(&info))) {
      names.push_back(info.achName);
      if (info.pGraph) info.pGraph->Release();
    }
  }
  return names;
}

CComPtr<IBaseFilter> CProbeGraph::FindFilter(const std::wstring& name) {
  CComPtr<IBaseFilter> filter;
  if (m_graph) m_graph->FindFilterByName(name.c_str(), &filter);
  return filter;
}

long CProbeGraph::ReadVolume() {
  CComPtr<IBasicAudio> audio;
  if (!m_graph || FAILED(m_graph.QueryInterface(IID_IBasicAudio, &audio))) return 1;
  long volume = 1;
  if (FAILED(audio->get_Volume(&volume))) return 1;
  return volume;
}

HRESULT CProbeGraph::WaitForGraphState(DWORD timeoutMs, OAFilterState* state) {
  if (!m_control) return E_FAIL;
  return m_control->GetState(static_cast<LONG>(timeoutMs), state);
}

namespace {

CComPtr<IReferenceClock> GraphClock(IGraphBuilder* graph) {
  CComPtr<IMediaFilter> filter;
  CComPtr<IReferenceClock> clock;
  if (graph &&
      SUCCEEDED(graph->QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(&filter))))
    filter->GetSyncSource(&clock);
  return clock;
}

}  // namespace

bool CProbeGraph::KeepsTimeBy(const std::wstring& name) {
  CComPtr<IReferenceClock> clock = GraphClock(m_graph);
  CComPtr<IBaseFilter> filter = FindFilter(name);
  if (!clock || !filter) return false;
  // COM identity: the same object answers IUnknown with the same pointer.
  CComPtr<IUnknown> clockObject, filterObject;
  clock.QueryInterface(IID_IUnknown, &clockObject);
  filter.QueryInterface(IID_IUnknown, &filterObject);
  return clockObject && clockObject.Get() == filterObject.Get();
}

bool CProbeGraph::HasClock() { return GraphClock(m_graph) != nullptr; }

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const LONGLONG deadline = NowMs() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (NowMs() >= deadline) return false;
    Sleep(10);
  }
}

namespace {

std::string& ScratchPath() {
  static std::string path;
  return path;
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(folder + name + "\\");
      else
        DeleteFileA((folder + name).c_str());
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

}  // namespace

std::string ScratchFolder() {
  std::string& path = ScratchPath();
  if (path.empty()) {
    char temp[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) return std::string();
    path = std::string(temp) + "graph_tests_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(path.c_str(), nullptr);
  }
  return path;
}

void RemoveScratchFolder() {
  std::string& path = ScratchPath();
  if (path.empty()) return;
  RemoveTree(path);
  path.clear();
}

bool WriteCodedClip(const std::string& path, int frames, int rate) {
  AviClip avi;
  avi.frames = frames;
  avi.rate = static_cast<uint32_t>(rate);
  return WriteAvi(std::wstring(path.begin(), path.end()), avi);
}

std::string BuildClip(const std::string& name) {
  std::string path = std::string(GRAPH_CLIP_DIR) + "/" + name;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

}  // namespace graph_test
