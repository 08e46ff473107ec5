// The engine's file writer: a new file beside the named one that replaces it only once it
// is placed (a recording that never starts leaves an existing file as it was), byte
// streams only, samples written at the byte offset their start time gives (untimed ones
// after the last), the IStream of its pin reading, writing and seeking anywhere, also once
// the filter stopped.
#include "engine/graphs/FileWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/platform/dshow/TestFilters.h"

namespace {

std::string TempFile(const char* name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + "file writer " + std::to_string(GetCurrentProcessId()) + " " + name;
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::string FileText(const std::string& path) {
  std::string text;
  if (FILE* in = fopen(path.c_str(), "rb")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), in)) > 0) text.append(buffer, n);
    fclose(in);
  }
  return text;
}

// A filter with one output pin of a byte stream, delivering what the test hands it.
class CStreamSource : public CBaseFilter {
 public:
  class CPin : public CBaseOutputPin {
   public:
    CPin(CStreamSource* filter, HRESULT* phr)
        : CBaseOutputPin(L"stream out", filter, &filter->m_lock, phr, L"out") {}
    HRESULT CheckMediaType(const CMediaType* mt) override {
      return IsEqualGUID(*mt->Type(), m_type) ? S_OK : E_INVALIDARG;
    }
    HRESULT GetMediaType(int position, CMediaType* mt) override {
      if (position != 0) return VFW_S_NO_MORE_ITEMS;
      mt->InitMediaType();
      mt->SetType(&m_type);
      mt->SetSubtype(&MEDIASUBTYPE_Avi);
      return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override {
      request->cBuffers = 2;
      request->cbBuffer = 256;
      request->cbAlign = 1;
      ALLOCATOR_PROPERTIES actual;
      return allocator->SetProperties(request, &actual);
    }
    GUID m_type = MEDIATYPE_Stream;
  };

  static CComPtr<IBaseFilter> Create(CStreamSource** self) {
    HRESULT hr = S_OK;
    auto* source = new CStreamSource(&hr);
    *self = source;
    return CComPtr<IBaseFilter>(source);
  }
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override { return n == 0 ? &m_pin : nullptr; }

  // Delivers bytes, at a byte offset or (offset < 0) without times.
  HRESULT Send(const std::string& bytes, LONGLONG offset) {
    IMediaSample* sample = nullptr;
    HRESULT hr = m_pin.GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    std::memcpy(data, bytes.data(), bytes.size());
    sample->SetActualDataLength(long(bytes.size()));
    if (offset >= 0) {
      REFERENCE_TIME start = offset, stop = offset + LONGLONG(bytes.size());
      sample->SetTime(&start, &stop);
    } else {
      sample->SetTime(nullptr, nullptr);
    }
    hr = m_pin.Deliver(sample);
    sample->Release();
    return hr;
  }
  CPin& Pin() { return m_pin; }

 private:
  explicit CStreamSource(HRESULT* phr)
      : CBaseFilter(L"stream source", nullptr, &m_lock, GUID_NULL), m_pin(this, phr) {}
  CCritSec m_lock;
  CPin m_pin;
};

class FileWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com.hr));
    ASSERT_EQ(CFileWriter::Create(&writer), S_OK);
    ASSERT_EQ(writer.QueryInterface(IID_IFileSinkFilter, &sink), S_OK);
    writerPin = FindPin(writer, PINDIR_INPUT);
    ASSERT_TRUE(writerPin);
  }
  void TearDown() override {
    if (writer) writer->Stop();
    sink.Reset();
    writerPin.Reset();
    writer.Reset();
    for (const std::string& path : files) DeleteFileA(path.c_str());
  }
  std::string NewFile(const char* name, const std::string& content = std::string()) {
    files.push_back(TempFile(name));
    DeleteFileA(files.back().c_str());
    if (!content.empty()) {
      FILE* out = fopen(files.back().c_str(), "wb");
      fwrite(content.data(), 1, content.size(), out);
      fclose(out);
    }
    return files.back();
  }
  // Files the test may leave behind, deleted at its end.
  void Keep(const std::string& path) { files.push_back(path); }
  CFileWriter& Writer() { return *static_cast<CFileWriter*>(writer.Get()); }
  CComPtr<IStream> PinStream() {
    CComPtr<IStream> stream;
    EXPECT_EQ(writerPin.QueryInterface(IID_IStream, &stream), S_OK);
    return stream;
  }

  ComScope com;
  CComPtr<IBaseFilter> writer;
  CComPtr<IFileSinkFilter> sink;
  CComPtr<IPin> writerPin;
  std::vector<std::string> files;
};

TEST_F(FileWriterTest, AnExistingFileStaysUntilTheRecordingIsPlacedOverIt) {
  const std::string old(5000, 'x');
  const std::string path = NewFile("existing.avi", old);
  const std::string partial = path + ".part";
  Keep(partial);
  Keep(path + ".1.part");
  CStreamSource* source = nullptr;
  CComPtr<IBaseFilter> filter = CStreamSource::Create(&source);
  ASSERT_EQ(sink->SetFileName(Wide(path).c_str(), nullptr), S_OK);
  ASSERT_EQ(source->Pin().Connect(writerPin, nullptr), S_OK);
  LPOLESTR name = nullptr;
  EXPECT_EQ(sink->GetCurFile(&name, nullptr), S_OK);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(std::wstring(name), Wide(path));
  CoTaskMemFree(name);

  // Started, written to and stopped without being placed (the graph did not come to run):
  // the old file is whole, and the new one goes with the writer.
  ASSERT_EQ(writer->Pause(), S_OK);
  ASSERT_EQ(filter->Pause(), S_OK);
  EXPECT_EQ(source->Send("RIFF....", 0), S_OK);
  EXPECT_EQ(Writer().GetWrittenFile(), Wide(partial));
  EXPECT_EQ(FileText(partial), "RIFF....");
  EXPECT_EQ(FileText(path), old);
  ASSERT_EQ(filter->Stop(), S_OK);
  ASSERT_EQ(writer->Stop(), S_OK);
  source->Pin().Disconnect();
  writerPin->Disconnect();
  writerPin.Reset();
  sink.Reset();
  writer.Reset();
  EXPECT_EQ(FileText(path), old);
  EXPECT_EQ(GetFileAttributesA(partial.c_str()), INVALID_FILE_ATTRIBUTES) << "nothing left behind";

  // A new name while a file of the new file's name exists: the next free name is taken.
  ASSERT_EQ(CFileWriter::Create(&writer), S_OK);
  ASSERT_EQ(writer.QueryInterface(IID_IFileSinkFilter, &sink), S_OK);
  writerPin = FindPin(writer, PINDIR_INPUT);
  const std::string someoneElses = "not the writer's";
  {
    FILE* out = fopen(partial.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    fwrite(someoneElses.data(), 1, someoneElses.size(), out);
    fclose(out);
  }
  ASSERT_EQ(sink->SetFileName(Wide(path).c_str(), nullptr), S_OK);
  EXPECT_EQ(Writer().GetWrittenFile(), Wide(path + ".1.part"));
  ULONG written = 0;
  ASSERT_EQ(PinStream()->Write("new", 3, &written), S_OK);
  EXPECT_EQ(FileText(path), old);
  EXPECT_EQ(FileText(partial), someoneElses);

  // Placed: the new file replaces the old one and writing goes on in it.
  ASSERT_EQ(Writer().PlaceFile(), S_OK);
  EXPECT_EQ(Writer().GetWrittenFile(), Wide(path));
  EXPECT_EQ(FileText(path), "new");
  EXPECT_EQ(GetFileAttributesA((path + ".1.part").c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_EQ(PinStream()->Write("er", 2, &written), S_OK);
  EXPECT_EQ(FileText(path), "newer");
  EXPECT_EQ(Writer().PlaceFile(), S_OK) << "placed already";
  writerPin.Reset();
  sink.Reset();
  writer.Reset();
  EXPECT_EQ(FileText(path), "newer") << "a placed file stays";
  EXPECT_EQ(FileText(partial), someoneElses);
}

TEST_F(FileWriterTest, AFileThatCannotBeReplacedStaysAndBadNamesFail) {
  // The named file is open elsewhere without leave to delete it: it cannot be replaced.
  const std::string path = NewFile("busy.avi", "busy");
  Keep(path + ".part");
  ASSERT_EQ(sink->SetFileName(Wide(path).c_str(), nullptr), S_OK);
  ULONG written = 0;
  ASSERT_EQ(PinStream()->Write("new", 3, &written), S_OK);
  HANDLE busy = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(busy, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(FAILED(Writer().PlaceFile()));
  CloseHandle(busy);
  EXPECT_EQ(FileText(path), "busy");

  EXPECT_EQ(sink->SetFileName(nullptr, nullptr), E_POINTER);
  EXPECT_EQ(sink->SetFileName(L"", nullptr), E_INVALIDARG);
  const std::string missing = TempFile("no such folder") + "\\x.avi";
  EXPECT_EQ(sink->SetFileName(Wide(missing).c_str(), nullptr),
            HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesA((path + ".part").c_str()), INVALID_FILE_ATTRIBUTES)
      << "the unplaced file went with the new name";
  EXPECT_EQ(FileText(path), "busy");
  // Without a file, the stream refuses, and there is nothing to place.
  written = 7;
  EXPECT_EQ(PinStream()->Write("ab", 2, &written), E_UNEXPECTED);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(Writer().PlaceFile(), E_UNEXPECTED);
}

TEST_F(FileWriterTest, TakesByteStreamsOnly) {
  CStreamSource* source = nullptr;
  CComPtr<IBaseFilter> filter = CStreamSource::Create(&source);
  source->Pin().m_type = MEDIATYPE_Video;
  EXPECT_NE(source->Pin().Connect(writerPin, nullptr), S_OK);
  source->Pin().m_type = MEDIATYPE_Stream;
  EXPECT_EQ(source->Pin().Connect(writerPin, nullptr), S_OK);
}

TEST_F(FileWriterTest, SamplesGoToTheirByteOffsetsAndUntimedOnesFollowTheLast) {
  const std::string path = NewFile("samples.bin", "old content that must not stay");
  ASSERT_EQ(sink->SetFileName(Wide(path).c_str(), nullptr), S_OK);
  CStreamSource* source = nullptr;
  CComPtr<IBaseFilter> filter = CStreamSource::Create(&source);
  ASSERT_EQ(source->Pin().Connect(writerPin, nullptr), S_OK);

  // Samples are refused until the filter leaves the stopped state.
  ASSERT_EQ(filter->Pause(), S_OK);
  EXPECT_EQ(source->Send("late", 0), VFW_E_WRONG_STATE);
  ASSERT_EQ(writer->Pause(), S_OK);
  ASSERT_EQ(writer->Run(0), S_OK);
  ASSERT_EQ(Writer().PlaceFile(), S_OK);
  EXPECT_EQ(source->Send("HEAD", 0), S_OK);
  EXPECT_EQ(source->Send("body", 8), S_OK);
  EXPECT_EQ(source->Send("+more", -1), S_OK);  // after "body"
  EXPECT_EQ(source->Send("hd", 1), S_OK);
  std::string expected = "HEAD" + std::string(4, '\0') + "body+more";
  expected.replace(1, 2, "hd");
  EXPECT_EQ(FileText(path), expected);

  // A new start from the stopped state empties the file again.
  ASSERT_EQ(writer->Stop(), S_OK);
  ASSERT_EQ(filter->Stop(), S_OK);
  ASSERT_EQ(writer->Pause(), S_OK);
  ASSERT_EQ(filter->Pause(), S_OK);
  EXPECT_EQ(FileText(path), "");
  EXPECT_EQ(source->Send("again", -1), S_OK);
  EXPECT_EQ(FileText(path), "again");
  EXPECT_EQ(sink->SetFileName(Wide(path).c_str(), nullptr), VFW_E_WRONG_STATE);
  filter->Stop();
}

TEST_F(FileWriterTest, ThePinStreamReadsWritesAndSeeksAnywhereAlsoWhenStopped) {
  const std::string path = NewFile("stream.bin");
  ASSERT_EQ(sink->SetFileName(Wide(path).c_str(), nullptr), S_OK);
  ASSERT_EQ(Writer().PlaceFile(), S_OK);
  CComPtr<IStream> stream = PinStream();
  ULONG done = 0;
  EXPECT_EQ(stream->Write("0123456789", 10, &done), S_OK);
  EXPECT_EQ(done, 10u);
  LARGE_INTEGER move;
  ULARGE_INTEGER at;
  move.QuadPart = 2;
  EXPECT_EQ(stream->Seek(move, STREAM_SEEK_SET, &at), S_OK);
  EXPECT_EQ(at.QuadPart, 2u);
  EXPECT_EQ(stream->Write("ab", 2, &done), S_OK);
  move.QuadPart = -3;
  EXPECT_EQ(stream->Seek(move, STREAM_SEEK_END, &at), S_OK);
  EXPECT_EQ(at.QuadPart, 7u);
  char text[8] = {};
  EXPECT_EQ(stream->Read(text, 8, &done), S_FALSE);  // only three bytes are left
  EXPECT_EQ(done, 3u);
  EXPECT_EQ(std::string(text, 3), "789");
  move.QuadPart = 4;
  EXPECT_EQ(stream->Seek(move, STREAM_SEEK_CUR, &at), S_OK);
  EXPECT_EQ(at.QuadPart, 14u);
  EXPECT_EQ(stream->Write("!", 1, &done), S_OK);  // past the end: the gap is zeros
  EXPECT_EQ(FileText(path), std::string("01ab456789") + std::string(4, '\0') + "!");

  // Before the start, or from an unknown origin: refused, the position stays.
  move.QuadPart = -16;
  EXPECT_EQ(stream->Seek(move, STREAM_SEEK_CUR, &at), STG_E_INVALIDFUNCTION);
  move.QuadPart = 0;
  EXPECT_EQ(stream->Seek(move, 7, &at), STG_E_INVALIDFUNCTION);
  EXPECT_EQ(stream->Seek(move, STREAM_SEEK_CUR, &at), S_OK);
  EXPECT_EQ(at.QuadPart, 15u);

  ULARGE_INTEGER size;
  size.QuadPart = 4;
  EXPECT_EQ(stream->SetSize(size), S_OK);
  EXPECT_EQ(stream->Commit(STGC_DEFAULT), S_OK);
  STATSTG stat = {};
  EXPECT_EQ(stream->Stat(&stat, STATFLAG_DEFAULT), S_OK);
  EXPECT_EQ(stat.cbSize.QuadPart, 4u);
  EXPECT_EQ(stat.type, DWORD(STGTY_STREAM));
  ASSERT_NE(stat.pwcsName, nullptr);
  EXPECT_EQ(std::wstring(stat.pwcsName), Wide(path));
  CoTaskMemFree(stat.pwcsName);
  EXPECT_EQ(FileText(path), "01ab");
  CComPtr<IStream> copy;
  EXPECT_EQ(stream->Clone(&copy), E_NOTIMPL);
}

}  // namespace
