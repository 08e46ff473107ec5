#include "engine/graphs/FileWriter.h"

#include <cstring>
#include <new>

const CLSID CLSID_EngineFileWriter = {
    0x95df932c, 0x495d, 0x4289, {0xbe, 0x72, 0x88, 0x57, 0x67, 0xf0, 0x7f, 0xe2}};

namespace {

// How many names beside the named file are tried for the new one.
constexpr int kPartialNameAttempts = 100;

HRESULT LastError() {
  const DWORD error = GetLastError();
  return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// A copy of a text in task memory, for callers that free it with CoTaskMemFree.
LPOLESTR TaskCopy(const std::wstring& text) {
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
  if (copy) std::memcpy(copy, text.c_str(), bytes);
  return copy;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The pin

CFileWriterPin::CFileWriterPin(CFileWriter* filter, CCritSec* lock, HRESULT* phr)
    : CBaseInputPin(L"File writer input", filter, lock, phr, L"in"), m_writer(filter) {}

STDMETHODIMP CFileWriterPin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IStream)) return GetInterface(static_cast<IStream*>(this), ppv);
  if (IsEqualIID(riid, IID_ISequentialStream))
    return GetInterface(static_cast<ISequentialStream*>(this), ppv);
  return CBaseInputPin::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CFileWriterPin::CheckMediaType(const CMediaType* mt) {
  if (!mt) return E_POINTER;
  return IsEqualGUID(*mt->Type(), MEDIATYPE_Stream) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CFileWriterPin::Active() {
  HRESULT hr = CBaseInputPin::Active();
  if (FAILED(hr)) return hr;
  return m_writer->Restart();
}

STDMETHODIMP CFileWriterPin::Receive(IMediaSample* sample) {
  HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  BYTE* data = nullptr;
  hr = sample->GetPointer(&data);
  if (FAILED(hr)) return hr;
  const long length = sample->GetActualDataLength();
  if (length < 0 || !data) return E_INVALIDARG;
  REFERENCE_TIME start = 0, stop = 0;
  const HRESULT timed = sample->GetTime(&start, &stop);
  const bool placed = timed == S_OK || timed == VFW_S_NO_STOP_TIME;
  if (placed && start < 0) return E_INVALIDARG;
  const uint64_t offset = static_cast<uint64_t>(start);
  ULONG written = 0;
  hr = m_writer->WriteBytes(placed ? &offset : nullptr, data, ULONG(length), &written);
  if (FAILED(hr)) return hr;
  return written == ULONG(length) ? S_OK : STG_E_MEDIUMFULL;
}

STDMETHODIMP CFileWriterPin::EndOfStream() {
  // The end of the stream is the end of the rendering: the graph hears of it.
  if (IsConnected() && !IsStopped()) m_writer->NotifyEvent(EC_COMPLETE, S_OK, 0);
  return S_OK;
}

STDMETHODIMP CFileWriterPin::Read(void* data, ULONG count, ULONG* read) {
  if (!data && count) return STG_E_INVALIDPOINTER;
  return m_writer->ReadBytes(data, count, read);
}

STDMETHODIMP CFileWriterPin::Write(const void* data, ULONG count, ULONG* written) {
  if (!data && count) return STG_E_INVALIDPOINTER;
  return m_writer->WriteBytes(nullptr, data, count, written);
}

STDMETHODIMP CFileWriterPin::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) {
  uint64_t now = 0;
  const HRESULT hr = m_writer->SeekTo(move.QuadPart, origin, &now);
  if (SUCCEEDED(hr) && position) position->QuadPart = now;
  return hr;
}

STDMETHODIMP CFileWriterPin::SetSize(ULARGE_INTEGER size) {
  return m_writer->SetLength(size.QuadPart);
}

STDMETHODIMP CFileWriterPin::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                    ULARGE_INTEGER*) {
  return E_NOTIMPL;
}

STDMETHODIMP CFileWriterPin::Commit(DWORD) { return m_writer->Flush(); }

STDMETHODIMP CFileWriterPin::Revert() { return S_OK; }  // writes go straight to the file

STDMETHODIMP CFileWriterPin::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
  return STG_E_INVALIDFUNCTION;
}

STDMETHODIMP CFileWriterPin::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
  return STG_E_INVALIDFUNCTION;
}

STDMETHODIMP CFileWriterPin::Stat(STATSTG* stat, DWORD flags) {
  if (!stat) return STG_E_INVALIDPOINTER;
  *stat = STATSTG{};
  uint64_t length = 0;
  const HRESULT hr = m_writer->GetLength(&length);
  if (FAILED(hr)) return hr;
  stat->type = STGTY_STREAM;
  stat->cbSize.QuadPart = length;
  stat->grfMode = STGM_READWRITE;
  if (!(flags & STATFLAG_NONAME)) {
    LPOLESTR name = nullptr;
    if (FAILED(m_writer->GetCurFile(&name, nullptr)) || !name) return E_OUTOFMEMORY;
    stat->pwcsName = name;
  }
  return S_OK;
}

STDMETHODIMP CFileWriterPin::Clone(IStream** stream) {
  if (stream) *stream = nullptr;
  return E_NOTIMPL;
}

// ---------------------------------------------------------------------------------------
// The filter

CFileWriter::CFileWriter(HRESULT* phr)
    : CBaseFilter(L"File writer", nullptr, &m_filterLock, CLSID_EngineFileWriter) {
  m_pin = new (std::nothrow) CFileWriterPin(this, &m_filterLock, phr);
  if (!m_pin && phr && SUCCEEDED(*phr)) *phr = E_OUTOFMEMORY;
}

CFileWriter::~CFileWriter() {
  delete m_pin;
  CloseFile();
}

HRESULT CFileWriter::Create(IBaseFilter** filter) {
  if (!filter) return E_POINTER;
  *filter = nullptr;
  HRESULT hr = S_OK;
  auto* writer = new (std::nothrow) CFileWriter(&hr);
  if (!writer) return E_OUTOFMEMORY;
  writer->NonDelegatingAddRef();
  if (FAILED(hr)) {
    writer->NonDelegatingRelease();
    return hr;
  }
  *filter = writer;
  return S_OK;
}

STDMETHODIMP CFileWriter::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IFileSinkFilter))
    return GetInterface(static_cast<IFileSinkFilter*>(this), ppv);
  return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}

CBasePin* CFileWriter::GetPin(int n) { return n == 0 ? m_pin : nullptr; }

void CFileWriter::CloseFile() {
  CAutoLock lock(&m_fileLock);
  if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
  m_file = INVALID_HANDLE_VALUE;
  // A recording that never started leaves nothing behind.
  if (!m_partialName.empty()) DeleteFileW(m_partialName.c_str());
  m_partialName.clear();
  m_position = 0;
}

STDMETHODIMP CFileWriter::SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE*) {
  if (!name) return E_POINTER;
  if (!*name) return E_INVALIDARG;
  CAutoLock state(&m_filterLock);
  if (!IsStopped()) return VFW_E_WRONG_STATE;
  CloseFile();
  CAutoLock lock(&m_fileLock);
  m_fileName = name;
  // A new file beside the named one, under a name nothing else has: the named file stays
  // as it is until the recording has started. It may be renamed while open.
  for (int attempt = 0; attempt < kPartialNameAttempts; ++attempt) {
    std::wstring partial = m_fileName;
    if (attempt > 0) partial += L"." + std::to_wstring(attempt);
    partial += L".part";
    m_file = CreateFileW(partial.c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_file != INVALID_HANDLE_VALUE) {
      m_partialName = partial;
      return S_OK;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return LastError();
}

HRESULT CFileWriter::PlaceFile() {
  CAutoLock lock(&m_fileLock);
  if (m_file == INVALID_HANDLE_VALUE) return E_UNEXPECTED;
  if (m_partialName.empty()) return S_OK;  // in place already
  if (!MoveFileExW(m_partialName.c_str(), m_fileName.c_str(), MOVEFILE_REPLACE_EXISTING))
    return LastError();
  m_partialName.clear();
  return S_OK;
}

std::wstring CFileWriter::GetWrittenFile() {
  CAutoLock lock(&m_fileLock);
  return m_partialName.empty() ? m_fileName : m_partialName;
}

STDMETHODIMP CFileWriter::GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* mt) {
  if (!name) return E_POINTER;
  *name = nullptr;
  if (mt) *mt = AM_MEDIA_TYPE{};
  CAutoLock lock(&m_fileLock);
  if (m_fileName.empty()) return S_OK;
  *name = TaskCopy(m_fileName);
  return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT CFileWriter::WriteBytes(const uint64_t* offset, const void* data, ULONG count,
                                ULONG* written) {
  if (written) *written = 0;
  CAutoLock lock(&m_fileLock);
  if (m_file == INVALID_HANDLE_VALUE) return E_UNEXPECTED;
  const uint64_t at = offset ? *offset : m_position;
  if (at > uint64_t(INT64_MAX) - count) return STG_E_INVALIDFUNCTION;
  LARGE_INTEGER to;
  to.QuadPart = LONGLONG(at);
  if (!SetFilePointerEx(m_file, to, nullptr, FILE_BEGIN)) return LastError();
  DWORD done = 0;
  const bool ok = count == 0 || WriteFile(m_file, data, count, &done, nullptr);
  m_position = at + done;
  if (written) *written = done;
  if (!ok) return LastError();
  return done == count ? S_OK : STG_E_MEDIUMFULL;
}

HRESULT CFileWriter::ReadBytes(void* data, ULONG count, ULONG* read) {
  if (read) *read = 0;
  CAutoLock lock(&m_fileLock);
  if (m_file == INVALID_HANDLE_VALUE) return E_UNEXPECTED;
  LARGE_INTEGER to;
  to.QuadPart = LONGLONG(m_position);
  if (!SetFilePointerEx(m_file, to, nullptr, FILE_BEGIN)) return LastError();
  DWORD done = 0;
  if (count != 0 && !ReadFile(m_file, data, count, &done, nullptr)) return LastError();
  m_position += done;
  if (read) *read = done;
  return done == count ? S_OK : S_FALSE;
}

HRESULT CFileWriter::SeekTo(LONGLONG move, DWORD origin, uint64_t* position) {
  CAutoLock lock(&m_fileLock);
  if (m_file == INVALID_HANDLE_VALUE) return E_UNEXPECTED;
  int64_t base = 0;
  switch (origin) {
    case STREAM_SEEK_SET:
      break;
    case STREAM_SEEK_CUR:
      base = int64_t(m_position);
      break;
    case STREAM_SEEK_END: {
      LARGE_INTEGER size;
      if (!GetFileSizeEx(m_file, &size)) return LastError();
      base = size.QuadPart;
      break;
    }
    default:
      return STG_E_INVALIDFUNCTION;
  }
  if ((move > 0 && base > INT64_MAX - move) || base + move < 0) return STG_E_INVALIDFUNCTION;
  m_position = uint64_t(base + move);
  if (position) *position = m_position;
  return S_OK;
}

HRESULT CFileWriter::SetLength(uint64_t length) {
  CAutoLock lock(&m_fileLock);
  if (m_file == INVALID_HANDLE_VALUE) return E_UNEXPECTED;
  if (length > uint64_t(INT64_MAX)) return STG_E_INVALIDFUNCTION;
  LARGE_INTEGER to;
  to.QuadPart = LONGLONG(length);
  if (!SetFilePointerEx(m_file, to, nullptr, FILE_BEGIN) || !SetEndOfFile(m_file))
    return LastError();
  return S_OK;
}

HRESULT CFileWriter::GetLength(uint64_t* length) {
  if (!length) return E_POINTER;
  *length = 0;
  CAutoLock lock(&m_fileLock);
  if (m_file == INVALID_HANDLE_VALUE) return E_UNEXPECTED;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(m_file, &size)) return LastError();
  *length = uint64_t(size.QuadPart);
  return S_OK;
}

HRESULT CFileWriter::Restart() {
  CAutoLock lock(&m_fileLock);
  if (m_file == INVALID_HANDLE_VALUE) return E_UNEXPECTED;
  m_position = 0;
  LARGE_INTEGER start = {};
  if (!SetFilePointerEx(m_file, start, nullptr, FILE_BEGIN) || !SetEndOfFile(m_file))
    return LastError();
  return S_OK;
}

HRESULT CFileWriter::Flush() {
  CAutoLock lock(&m_fileLock);
  if (m_file == INVALID_HANDLE_VALUE) return E_UNEXPECTED;
  return FlushFileBuffers(m_file) ? S_OK : LastError();
}
