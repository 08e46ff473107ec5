#include "tests/platform/dshow/AviWriter.h"

#include <cstdio>

#include "tests/platform/dshow/TestFilters.h"

namespace {

class ByteWriter {
 public:
  void U8(uint8_t v) { m_Data.push_back(v); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }
  void FourCC(const char* cc) {
    for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(cc[i]));
  }
  // Starts a chunk (or a RIFF/LIST with its form type) and returns where its size goes.
  size_t Begin(const char* id, const char* form = nullptr) {
    FourCC(id);
    size_t at = m_Data.size();
    U32(0);
    if (form) FourCC(form);
    return at;
  }
  void End(size_t sizeAt) {
    uint32_t size = static_cast<uint32_t>(m_Data.size() - sizeAt - 4);
    for (int i = 0; i < 4; ++i) m_Data[sizeAt + i] = static_cast<uint8_t>(size >> (8 * i));
    if (size & 1) U8(0);  // chunks are padded to even length
  }
  size_t Size() const { return m_Data.size(); }
  std::vector<uint8_t>& Data() { return m_Data; }

 private:
  std::vector<uint8_t> m_Data;
};

}  // namespace

std::vector<uint8_t> BuildAvi(const AviClip& avi) {
  const uint32_t stride = (avi.width * 3 + 3) & ~3u;
  const uint32_t frameSize = stride * avi.height;
  ByteWriter w;
  size_t riff = w.Begin("RIFF", "AVI ");

  size_t hdrl = w.Begin("LIST", "hdrl");
  size_t avih = w.Begin("avih");
  w.U32(1000000 / avi.rate);             // dwMicroSecPerFrame
  w.U32(frameSize * avi.rate);           // dwMaxBytesPerSec
  w.U32(0);                              // dwPaddingGranularity
  w.U32(0x10);                           // dwFlags: AVIF_HASINDEX
  w.U32(avi.frames);                     // dwTotalFrames
  w.U32(0);                              // dwInitialFrames
  w.U32(1);                              // dwStreams
  w.U32(frameSize);                      // dwSuggestedBufferSize
  w.U32(avi.width);                      // dwWidth
  w.U32(avi.height);                     // dwHeight
  for (int i = 0; i < 4; ++i) w.U32(0);  // dwReserved
  w.End(avih);

  size_t strl = w.Begin("LIST", "strl");
  size_t strh = w.Begin("strh");
  w.FourCC("vids");    // fccType
  w.FourCC("DIB ");    // fccHandler
  w.U32(0);            // dwFlags
  w.U16(0);            // wPriority
  w.U16(0);            // wLanguage
  w.U32(0);            // dwInitialFrames
  w.U32(1);            // dwScale
  w.U32(avi.rate);     // dwRate
  w.U32(0);            // dwStart
  w.U32(avi.frames);   // dwLength
  w.U32(frameSize);    // dwSuggestedBufferSize
  w.U32(0xFFFFFFFFu);  // dwQuality
  w.U32(0);            // dwSampleSize
  w.U16(0);            // rcFrame
  w.U16(0);
  w.U16(static_cast<uint16_t>(avi.width));
  w.U16(static_cast<uint16_t>(avi.height));
  w.End(strh);
  size_t strf = w.Begin("strf");
  w.U32(40);           // biSize
  w.U32(avi.width);    // biWidth
  w.U32(avi.height);   // biHeight: positive, rows bottom-up
  w.U16(1);            // biPlanes
  w.U16(24);           // biBitCount
  w.U32(0);            // biCompression: BI_RGB
  w.U32(frameSize);    // biSizeImage
  w.U32(0);            // biXPelsPerMeter
  w.U32(0);            // biYPelsPerMeter
  w.U32(0);            // biClrUsed
  w.U32(0);            // biClrImportant
  w.End(strf);
  w.End(strl);
  w.End(hdrl);

  size_t movi = w.Begin("LIST", "movi");
  const size_t moviType = movi + 4;  // index offsets count from the "movi" form type
  std::vector<uint32_t> offsets;
  std::vector<uint8_t> frame(frameSize);
  for (int i = 0; i < avi.frames; ++i) {
    offsets.push_back(static_cast<uint32_t>(w.Size() - moviType));
    FillFrame(frame.data(), avi.width, avi.height, 3, avi.firstIndex + static_cast<uint32_t>(i));
    size_t chunk = w.Begin("00db");
    for (uint8_t b : frame) w.U8(b);
    w.End(chunk);
  }
  w.End(movi);

  size_t idx1 = w.Begin("idx1");
  for (uint32_t offset : offsets) {
    w.FourCC("00db");
    w.U32(0x10);  // AVIIF_KEYFRAME
    w.U32(offset);
    w.U32(frameSize);
  }
  w.End(idx1);
  w.End(riff);
  return std::move(w.Data());
}

bool WriteAvi(const std::wstring& path, const AviClip& avi) {
  std::vector<uint8_t> data = BuildAvi(avi);
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return false;
  bool ok = fwrite(data.data(), 1, data.size(), f) == data.size();
  return fclose(f) == 0 && ok;
}
