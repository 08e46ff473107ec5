// Format dispatch: one format object per call, decoded pictures moved into the caller's
// object only on success, detection by trying the decoders in a fixed order.
#include <cstdio>
#include <cstring>

#include "image/Raster.h"
#include "image/RasterBMP.h"
#include "image/RasterGIF.h"
#include "image/RasterJPG.h"
#include "image/RasterPNG.h"
#include "image/RasterStream.h"

namespace {

template <typename Format>
bool DecodeAs(CRaster& target, CRasterStream* stream, bool keepFailure, int32_t& frameCount) {
  Format format;
  format.TakeDecodeRequest(target);
  // A decoder that goes on from the caller's last decode takes its state from there; a
  // state that a successful decode did not take belonged to the old picture and goes.
  format.SetContinuation(target.TakeContinuation());
  if (format.Decode(stream)) {
    if (!format.ContinuationTaken()) format.SetContinuation(nullptr);
    return target.MoveFrom(format);
  }
  target.SetContinuation(format.TakeContinuation());
  if (keepFailure) target.SetLastError(format.GetLastError());
  frameCount = format.GetFrameCount();
  return false;
}

template <typename Format>
bool EncodeAs(CRaster& source, CRasterStream* stream) {
  Format format;
  format.ShareFrom(&source);
  if (format.Encode(stream)) return true;
  source.SetLastError(format.GetLastError());
  return false;
}

// The decoders that exist, by id; false in `known` for an id without one.
// A failed decoder's frame count goes to `frameCount`.
bool DecodeById(CRaster& target, CRasterStream* stream, int32_t formatId, bool keepFailure,
                bool& known, int32_t& frameCount) {
  known = true;
  switch (formatId) {
    case IMAGE_FORMAT_BMP:
      return DecodeAs<CRasterBMP>(target, stream, keepFailure, frameCount);
    case IMAGE_FORMAT_GIF:
      return DecodeAs<CRasterGIF>(target, stream, keepFailure, frameCount);
    case IMAGE_FORMAT_JPG:
      return DecodeAs<CRasterJPG>(target, stream, keepFailure, frameCount);
    case IMAGE_FORMAT_PNG:
      return DecodeAs<CRasterPNG>(target, stream, keepFailure, frameCount);
    case IMAGE_FORMAT_ICO:
      return DecodeAs<CRasterICO>(target, stream, keepFailure, frameCount);
    default:
      known = false;
      return false;
  }
}

// Detection order.
constexpr int32_t kDetectionOrder[] = {
    IMAGE_FORMAT_BMP,  IMAGE_FORMAT_JPG, IMAGE_FORMAT_ICO,    IMAGE_FORMAT_GIF,
    IMAGE_FORMAT_PNG,  IMAGE_FORMAT_TIF, IMAGE_FORMAT_TGA,    IMAGE_FORMAT_PCX,
    IMAGE_FORMAT_WBMP, IMAGE_FORMAT_WMF, IMAGE_FORMAT_UNKNOWN /* JPEG-2000 family */};

// Closes a file when the scope ends.
struct FileCloser {
  FILE* file;
  ~FileCloser() {
    if (file) std::fclose(file);
  }
};

}  // namespace

bool CRaster::CheckEncodeTarget(CRasterStream* stream) {
  if (!stream) {
    SetLastError("null file handler");
    return true;
  }
  if (!HasPixels()) {
    SetLastError("null image!!!");
    return true;
  }
  return false;
}

bool CRaster::Decode(CRasterStream* stream, int32_t formatId) {
  if (formatId == IMAGE_FORMAT_UNKNOWN) {
    if (!stream) {
      SetLastError("Decode: Unknown or wrong format");
      return false;
    }
    const int64_t position = stream->Tell();
    for (const int32_t id : kDetectionOrder) {
      bool known = false;
      int32_t frames = 0;
      if (DecodeById(*this, stream, id, false, known, frames)) return true;
      if (known) stream->Seek(position, SEEK_SET);
    }
    SetLastError("Decode: Unknown or wrong format");
    return false;
  }
  if (formatId > IMAGE_FORMAT_UNKNOWN && formatId < IMAGE_FORMAT_COUNT) {
    bool known = false;
    int32_t frames = 0;
    if (DecodeById(*this, stream, formatId, true, known, frames)) return true;
    if (known) {
      // The caller learns how many frames there are even when the one asked for is not.
      if (formatId == IMAGE_FORMAT_GIF || formatId == IMAGE_FORMAT_ICO ||
          formatId == IMAGE_FORMAT_TIF)
        m_info.frameCount = frames;
      return false;
    }
  }
  SetLastError("Decode: Unknown or wrong format");
  return false;
}

bool CRaster::Encode(CRasterStream* stream, int32_t formatId) {
  switch (formatId) {
    case IMAGE_FORMAT_BMP:
      return EncodeAs<CRasterBMP>(*this, stream);
    case IMAGE_FORMAT_GIF:
      return EncodeAs<CRasterGIF>(*this, stream);
    case IMAGE_FORMAT_JPG:
      return EncodeAs<CRasterJPG>(*this, stream);
    case IMAGE_FORMAT_PNG:
      return EncodeAs<CRasterPNG>(*this, stream);
    case IMAGE_FORMAT_ICO:
      return EncodeAs<CRasterICO>(*this, stream);
    default:
      SetLastError("Encode: Unknown format");
      return false;
  }
}

bool CRaster::DecodeFileHandle(FILE* file, int32_t formatId) {
  CRasterFileStream stream(file);
  return Decode(&stream, formatId);
}

bool CRaster::EncodeFileHandle(FILE* file, int32_t formatId) {
  CRasterFileStream stream(file);
  return Encode(&stream, formatId);
}

bool CRaster::DecodeMemory(const uint8_t* bytes, size_t length, int32_t formatId) {
  // The stream only reads the caller's bytes.
  CRasterMemoryStream stream(const_cast<uint8_t*>(bytes), length);
  return Decode(&stream, formatId);
}

bool CRaster::EncodeMemory(uint8_t*& buffer, size_t& size, int32_t formatId) {
  if (buffer) {
    SetLastError("the buffer must be empty");
    return false;
  }
  CRasterMemoryStream stream;
  if (!stream.Open()) {
    SetLastError("CRaster::Create can't allocate memory");
    return false;
  }
  if (!Encode(&stream, formatId)) return false;
  size = size_t(stream.Size());
  buffer = stream.GetBuffer(true);
  return true;
}

bool CRaster::Save(const char* path, int32_t formatId) {
  if (!path) return false;
  FileCloser file{std::fopen(path, "wb")};
  if (!file.file) return false;
  return EncodeFileHandle(file.file, formatId);
}

bool CRaster::Load(const char* path, int32_t formatId) {
  if (!path) return false;
  if (formatId > IMAGE_FORMAT_UNKNOWN && formatId < IMAGE_FORMAT_COUNT) {
    FileCloser file{std::fopen(path, "rb")};
    if (!file.file) return false;
    if (DecodeFileHandle(file.file, formatId)) return true;
  }
  char kept[sizeof m_info.lastError];
  std::memcpy(kept, m_info.lastError, sizeof kept);
  FileCloser file{std::fopen(path, "rb")};
  if (!file.file) return false;
  const bool ok = DecodeFileHandle(file.file, IMAGE_FORMAT_UNKNOWN);
  if (!ok && formatId != IMAGE_FORMAT_UNKNOWN) SetLastError(kept);
  return ok;
}
