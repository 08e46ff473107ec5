// Format dispatch: one format object per call, decoded pictures moved into the caller's
// object only on success, detection by trying the decoders in a fixed order.
#include <cstdio>
#include <cstring>

#include "image/Raster.h"
#include "image/RasterBMP.h"
#include "image/RasterGIF.h"
#include "image/RasterJPG.h"
#include "image/RasterJasPer.h"
#include "image/RasterPCX.h"
#include "image/RasterPNG.h"
#include "image/RasterStream.h"
#include "image/RasterTGA.h"
#include "image/RasterTIF.h"
#include "image/RasterWBMP.h"
#include "image/RasterWMF.h"

namespace {

// Decodes with a format object; `decode` runs its decoder (the JPEG-2000 family's takes
// the format id as well).
template <typename Format, typename Run>
bool DecodeWith(CRaster& target, CRasterStream* stream, bool keepFailure, int32_t& frameCount,
                Run decode) {
  Format format;
  format.TakeDecodeRequest(target);
  // A decoder that goes on from the caller's last decode takes its state from there; a
  // state that a successful decode did not take belonged to the old picture and goes.
  format.SetContinuation(target.TakeContinuation());
  if (decode(format, stream)) {
    if (!format.ContinuationTaken()) format.SetContinuation(nullptr);
    return target.MoveFrom(format);
  }
  target.SetContinuation(format.TakeContinuation());
  if (keepFailure) target.SetLastError(format.GetLastError());
  frameCount = format.GetFrameCount();
  return false;
}

template <typename Format>
bool DecodeAs(CRaster& target, CRasterStream* stream, bool keepFailure, int32_t& frameCount) {
  return DecodeWith<Format>(target, stream, keepFailure, frameCount,
                            [](Format& format, CRasterStream* s) { return format.Decode(s); });
}

bool DecodeJpeg2000(CRaster& target, CRasterStream* stream, int32_t formatId, bool keepFailure,
                    int32_t& frameCount) {
  return DecodeWith<CRasterJasPer>(
      target, stream, keepFailure, frameCount,
      [formatId](CRasterJasPer& format, CRasterStream* s) { return format.Decode(s, formatId); });
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
    case IMAGE_FORMAT_TIF:
      return DecodeAs<CRasterTIF>(target, stream, keepFailure, frameCount);
    case IMAGE_FORMAT_TGA:
      return DecodeAs<CRasterTGA>(target, stream, keepFailure, frameCount);
    case IMAGE_FORMAT_PCX:
      return DecodeAs<CRasterPCX>(target, stream, keepFailure, frameCount);
    case IMAGE_FORMAT_WBMP:
      return DecodeAs<CRasterWBMP>(target, stream, keepFailure, frameCount);
#ifdef _WIN32
    case IMAGE_FORMAT_WMF:
      return DecodeAs<CRasterWMF>(target, stream, keepFailure, frameCount);
#endif
    case IMAGE_FORMAT_JP2:
    case IMAGE_FORMAT_JPC:
      return DecodeJpeg2000(target, stream, formatId, keepFailure, frameCount);
    case IMAGE_FORMAT_PGX:
      return DecodeAs<CRasterPGX>(target, stream, keepFailure, frameCount);
    case IMAGE_FORMAT_PNM:
      return DecodeAs<CRasterPNM>(target, stream, keepFailure, frameCount);
    case IMAGE_FORMAT_RAS:
      return DecodeAs<CRasterRAS>(target, stream, keepFailure, frameCount);
    default:
      known = false;
      return false;
  }
}

// The JPEG-2000 family last: the code stream and file formats, then the three small ones;
// each picture carries the id of the format it was found to be.
constexpr int32_t kFamilyOrder[] = {IMAGE_FORMAT_UNKNOWN, IMAGE_FORMAT_PGX, IMAGE_FORMAT_PNM,
                                    IMAGE_FORMAT_RAS};

// Detection order.
constexpr int32_t kDetectionOrder[] = {
    IMAGE_FORMAT_BMP,  IMAGE_FORMAT_JPG, IMAGE_FORMAT_ICO,    IMAGE_FORMAT_GIF,
    IMAGE_FORMAT_PNG,  IMAGE_FORMAT_TIF, IMAGE_FORMAT_TGA,    IMAGE_FORMAT_PCX,
    IMAGE_FORMAT_WBMP, IMAGE_FORMAT_WMF};

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
    for (const int32_t id : kFamilyOrder) {
      int32_t frames = 0;
      bool known = true;
      if (id == IMAGE_FORMAT_UNKNOWN ? DecodeJpeg2000(*this, stream, id, false, frames)
                                     : DecodeById(*this, stream, id, false, known, frames))
        return true;
      stream->Seek(position, SEEK_SET);
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
    case IMAGE_FORMAT_TIF:
      return EncodeAs<CRasterTIF>(*this, stream);
    case IMAGE_FORMAT_TGA:
      return EncodeAs<CRasterTGA>(*this, stream);
    case IMAGE_FORMAT_PCX:
      return EncodeAs<CRasterPCX>(*this, stream);
    case IMAGE_FORMAT_WBMP:
      return EncodeAs<CRasterWBMP>(*this, stream);
    case IMAGE_FORMAT_WMF:
      return EncodeAs<CRasterWMF>(*this, stream);
    case IMAGE_FORMAT_JP2:
    case IMAGE_FORMAT_JPC: {
      CRasterJasPer format;
      format.ShareFrom(this);
      if (format.Encode(stream, formatId)) return true;
      SetLastError(format.GetLastError());
      return false;
    }
    case IMAGE_FORMAT_PGX:
      return EncodeAs<CRasterPGX>(*this, stream);
    case IMAGE_FORMAT_PNM:
      return EncodeAs<CRasterPNM>(*this, stream);
    case IMAGE_FORMAT_RAS:
      return EncodeAs<CRasterRAS>(*this, stream);
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
