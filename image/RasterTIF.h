// TIFF pictures (format id 6) through libtiff: one page of a possibly multi-page file read
// into a 1-, 4-, 8- or 24-bit picture with an optional alpha plane; pictures written as
// single pages, or page after page into one file while appending.
#pragma once

#include <memory>

#include "image/Raster.h"

class CRasterTIF : public CRaster {
 public:
  CRasterTIF();
  ~CRasterTIF() override;
  // Reads the page SelectFrame chose; GetFrameCount() gives the file's pages, also when
  // the page asked for is not there.
  bool Decode(CRasterStream* stream);
  // Writes the picture as the next page. With `append` the file stays open for further
  // pages; the first call without it writes the last page and closes the file.
  bool Encode(CRasterStream* stream, bool append = false);

  // The libtiff handle of an encoding in progress, with the stream it writes to.
  struct Handle;

 private:
  bool EncodeBody(bool multiPage, int32_t page, int32_t pageCount);
  void CloseHandle();

  std::unique_ptr<Handle> m_handle;
  bool m_multiPage = false;
  int32_t m_pages = 0;
};
