// Fuzzes the EXIF reader: the marker sections of a JPEG stream read with every mode, the
// kept sections written back, and the bytes parsed directly as the body of an APP1
// section. Every read must stay inside the bytes given.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "image/RasterExif.h"
#include "image/RasterStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (int mode : {CRasterExifReader::kReadExif,
                   CRasterExifReader::kReadExif | CRasterExifReader::kReadImageData}) {
    CRasterMemoryStream stream(const_cast<uint8_t*>(data), size);
    CRasterExifReader reader;
    const bool whole = reader.ReadSections(&stream, mode);
    const CRasterExifRecord& r = reader.Record();
    if (r.thumbnail && r.thumbnailSize > 0) {
      volatile uint8_t sum = 0;
      for (int32_t i = 0; i < r.thumbnailSize; ++i) sum = uint8_t(sum + r.thumbnail[i]);
    }
    if (whole && (mode & CRasterExifReader::kReadImageData)) {
      CRasterMemoryStream out;
      out.Open();
      reader.WriteSections(&out);
      reader.KeepExifAndComment();
    }
  }
  // The bytes as an APP1 body, in a buffer of exactly their size.
  std::unique_ptr<uint8_t[]> body(new uint8_t[size + 6]);
  std::memcpy(body.get(), "Exif\0\0", 6);
  if (size) std::memcpy(body.get() + 6, data, size);
  CRasterExifReader reader;
  reader.ParseExif(body.get(), size + 6);
  return 0;
}
