// The engine's file writer: the last filter of a recording graph. It takes a byte stream
// (MEDIATYPE_Stream, such as a multiplexer's AVI output) and writes it into the file named
// through IFileSinkFilter. Its input pin offers the two ways multiplexers write: IStream
// on the pin (reads, writes and seeks at any position, also after the graph stopped, when
// a multiplexer finishes its headers), and samples through IMemInputPin whose start time
// is the byte position to write them at (a sample without times goes on where the last
// one ended).
//
// Naming the file leaves a file of that name alone: the writer makes a new file beside it
// (the name followed by ".part", or ".1.part" and so on when that exists) and writes there.
// Only once the recording has started does the owner move the new file over the named one
// (PlaceFile); a start that fails leaves an existing file as it was, and the new file is
// deleted when the filter goes or gets another name without having been placed. The file
// is emptied each time the filter leaves the stopped state, so that nothing of an earlier
// pass stays behind the recording.
//
// The filter is not registered with COM; a graph makes it with new and holds it like any
// other filter.
#pragma once

#include <dshow.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/dshow/DShowBase.h"

// {95DF932C-495D-4289-BE72-885767F07FE2}
extern const CLSID CLSID_EngineFileWriter;

class CFileWriter;

class CFileWriterPin : public CBaseInputPin, public IStream {
 public:
  CFileWriterPin(CFileWriter* filter, CCritSec* lock, HRESULT* phr);

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // Byte streams of any subtype.
  HRESULT CheckMediaType(const CMediaType* mt) override;
  // Empties the file for a new pass.
  HRESULT Active() override;
  STDMETHODIMP Receive(IMediaSample* sample) override;
  STDMETHODIMP EndOfStream() override;

  // ISequentialStream and IStream over the file, at the stream position.
  STDMETHODIMP Read(void* data, ULONG count, ULONG* read) override;
  STDMETHODIMP Write(const void* data, ULONG count, ULONG* written) override;
  STDMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
  STDMETHODIMP SetSize(ULARGE_INTEGER size) override;
  STDMETHODIMP CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                      ULARGE_INTEGER* written) override;
  STDMETHODIMP Commit(DWORD flags) override;
  STDMETHODIMP Revert() override;
  STDMETHODIMP LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD type) override;
  STDMETHODIMP UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD type) override;
  STDMETHODIMP Stat(STATSTG* stat, DWORD flags) override;
  STDMETHODIMP Clone(IStream** stream) override;

 private:
  CFileWriter* m_writer;
};

class CFileWriter : public CBaseFilter, public IFileSinkFilter {
 public:
  // A new writer holding one reference for the caller.
  static HRESULT Create(IBaseFilter** filter);

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // IFileSinkFilter. The media type is not used. The new file beside the named one is made
  // at once; E_POINTER for a null name, E_INVALIDARG for an empty one, VFW_E_WRONG_STATE
  // unless stopped, or the system's error when the file cannot be made.
  STDMETHODIMP SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE* mt) override;
  // The name as it was set.
  STDMETHODIMP GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* mt) override;

  // Moves the file written so far over the named file, which it replaces; writing goes on
  // in it. S_OK also when it is in place already; E_UNEXPECTED without a file, or the
  // system's error when the named file cannot be replaced (the new file then stays where
  // it is, and an existing file of the name keeps its content).
  HRESULT PlaceFile();
  // The name of the file written to: the new file until it is placed, then the name set.
  std::wstring GetWrittenFile();

  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override;

  // The file as the pin sees it, under the file lock: a stream position that reads and
  // writes start at and move past. WriteBytes writes at `offset` when one is given (the
  // position then moves to the end of what was written). E_UNEXPECTED without a file,
  // the system's error when the file refuses.
  HRESULT WriteBytes(const uint64_t* offset, const void* data, ULONG count, ULONG* written);
  HRESULT ReadBytes(void* data, ULONG count, ULONG* read);
  // STREAM_SEEK_SET, _CUR or _END; STG_E_INVALIDFUNCTION for another origin or a position
  // before the start.
  HRESULT SeekTo(LONGLONG move, DWORD origin, uint64_t* position);
  HRESULT SetLength(uint64_t length);
  HRESULT GetLength(uint64_t* length);
  // Empties the file and moves the position to its start.
  HRESULT Restart();
  HRESULT Flush();

 private:
  CFileWriter(HRESULT* phr);
  ~CFileWriter() override;
  void CloseFile();

  CCritSec m_filterLock;
  CCritSec m_fileLock;
  CFileWriterPin* m_pin = nullptr;
  // Guarded by the file lock.
  HANDLE m_file = INVALID_HANDLE_VALUE;
  std::wstring m_fileName;     // as set
  std::wstring m_partialName;  // the new file until it is placed; empty once placed
  uint64_t m_position = 0;
};
