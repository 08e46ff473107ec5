// JPEG through libjpeg-turbo's IJG interface.
//
// The codec reports errors by longjmp back to the setjmp point of the call that started
// the work. Each setjmp point sits in a function (RunDecode, RunEncode) whose locals and
// whose callees that can reach the codec hold only trivially destructible values, and
// every buffer the codec fills comes from its own pools, so the jump never skips a C++
// destructor; the functions that own resources call them and clean up after.
#include "image/RasterJPG.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>

#include "image/RasterStream.h"

class CRasterJPG::Metadata : public CRasterContinuation {
 public:
  Metadata() : reader(&record) {}
  void PictureTurned() override { reader.ResetOrientation(); }
  CRasterExifRecord record = {};
  CRasterExifReader reader;
};

namespace {

constexpr size_t kBufferSize = 4096;
// The most memory the codec may take for one picture (progressive files keep every
// coefficient of the picture).
constexpr long kCodecMemory = 512L * 1024 * 1024;

struct ErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
  char* text;  // the picture's last-error text
};

void ErrorExit(j_common_ptr cinfo) {
  ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  char message[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, message);
  std::strncpy(err->text, message, 255);
  err->text[255] = '\0';
  std::longjmp(err->jump, 1);
}

void SilentMessage(j_common_ptr) {}

// The stream as the codec's source and destination: a 4096-byte buffer from the codec's
// pool and the start-of-file flag.
struct StreamManager {
  union {
    jpeg_source_mgr source;
    jpeg_destination_mgr destination;
  };
  CRasterStream* stream;
  JOCTET* buffer;
  bool startOfFile;
};

void InitSource(j_decompress_ptr cinfo) {
  reinterpret_cast<StreamManager*>(cinfo->src)->startOfFile = true;
}

boolean FillInput(j_decompress_ptr cinfo) {
  StreamManager* m = reinterpret_cast<StreamManager*>(cinfo->src);
  size_t n = m->stream->Read(m->buffer, 1, kBufferSize);
  if (n == 0) {
    if (m->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    m->buffer[0] = 0xFF;
    m->buffer[1] = JPEG_EOI;
    n = 2;
  }
  m->source.next_input_byte = m->buffer;
  m->source.bytes_in_buffer = n;
  m->startOfFile = false;
  return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
  StreamManager* m = reinterpret_cast<StreamManager*>(cinfo->src);
  if (count <= 0) return;
  while (count > long(m->source.bytes_in_buffer)) {
    count -= long(m->source.bytes_in_buffer);
    FillInput(cinfo);
  }
  m->source.next_input_byte += count;
  m->source.bytes_in_buffer -= size_t(count);
}

void TermSource(j_decompress_ptr) {}

void InitDestination(j_compress_ptr cinfo) {
  StreamManager* m = reinterpret_cast<StreamManager*>(cinfo->dest);
  m->destination.next_output_byte = m->buffer;
  m->destination.free_in_buffer = kBufferSize;
}

boolean EmptyOutput(j_compress_ptr cinfo) {
  StreamManager* m = reinterpret_cast<StreamManager*>(cinfo->dest);
  if (m->stream->Write(m->buffer, 1, kBufferSize) != kBufferSize) ERREXIT(cinfo, JERR_FILE_WRITE);
  m->destination.next_output_byte = m->buffer;
  m->destination.free_in_buffer = kBufferSize;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  StreamManager* m = reinterpret_cast<StreamManager*>(cinfo->dest);
  const size_t used = kBufferSize - m->destination.free_in_buffer;
  if (used > 0 && m->stream->Write(m->buffer, 1, used) != used) ERREXIT(cinfo, JERR_FILE_WRITE);
  if (!m->stream->Flush() || m->stream->Error() != 0) ERREXIT(cinfo, JERR_FILE_WRITE);
}

StreamManager* SourceOver(j_decompress_ptr cinfo, CRasterStream* stream) {
  StreamManager* m = static_cast<StreamManager*>(
      (*cinfo->mem->alloc_small)(j_common_ptr(cinfo), JPOOL_PERMANENT, sizeof(StreamManager)));
  m->buffer = static_cast<JOCTET*>(
      (*cinfo->mem->alloc_small)(j_common_ptr(cinfo), JPOOL_PERMANENT, kBufferSize));
  m->stream = stream;
  m->source.init_source = InitSource;
  m->source.fill_input_buffer = FillInput;
  m->source.skip_input_data = SkipInput;
  m->source.resync_to_restart = jpeg_resync_to_restart;
  m->source.term_source = TermSource;
  m->source.bytes_in_buffer = 0;
  m->source.next_input_byte = nullptr;
  cinfo->src = &m->source;
  return m;
}

void DestinationOver(j_compress_ptr cinfo, CRasterStream* stream) {
  StreamManager* m = static_cast<StreamManager*>(
      (*cinfo->mem->alloc_small)(j_common_ptr(cinfo), JPOOL_PERMANENT, sizeof(StreamManager)));
  m->buffer = static_cast<JOCTET*>(
      (*cinfo->mem->alloc_small)(j_common_ptr(cinfo), JPOOL_PERMANENT, kBufferSize));
  m->stream = stream;
  m->destination.init_destination = InitDestination;
  m->destination.empty_output_buffer = EmptyOutput;
  m->destination.term_destination = TermDestination;
  cinfo->dest = &m->destination;
}

struct DecodeState {
  CRasterJPG* image;
  CRasterStream* stream;
  const CRasterExifRecord* exif;  // null without EXIF data
  int64_t bytes;                  // what the stream holds from the start of the file, -1 unknown
  int32_t width, height;          // the size, when only that was asked for
  jpeg_decompress_struct cinfo;
  ErrorManager err;
};

bool RunDecode(DecodeState& st) {
  if (setjmp(st.err.jump)) return false;
  j_decompress_ptr cinfo = &st.cinfo;
  CRasterJPG& image = *st.image;
  jpeg_create_decompress(cinfo);
  cinfo->mem->max_memory_to_use = kCodecMemory;
  SourceOver(cinfo, st.stream);
  jpeg_read_header(cinfo, TRUE);

  const int32_t options = image.GetFormatOption(IMAGE_FORMAT_JPG);
  const bool quantize = (options & JPEG_OPTION_QUANTIZE) != 0;
  if (options & JPEG_OPTION_DECODE_GREY) cinfo->out_color_space = JCS_GRAYSCALE;
  if (quantize) {
    cinfo->quantize_colors = TRUE;
    cinfo->desired_number_of_colors = image.GetQuality();
  }
  if (options & JPEG_OPTION_DITHER) cinfo->dither_mode = J_DITHER_MODE(image.GetDither());
  if (options & JPEG_OPTION_ONE_PASS) cinfo->two_pass_quantize = FALSE;
  if (options & JPEG_OPTION_NO_FANCY_UPSAMPLING) cinfo->do_fancy_upsampling = FALSE;
  cinfo->scale_num = 1;
  // No denominator means no scaling: libjpeg-turbo would read 0 as a scale of 2.
  cinfo->scale_denom = std::max<unsigned>(1, image.GetScaleDenominator());
  // Colour pixels straight in the picture's blue, green, red order.
  const bool colour = !quantize && cinfo->out_color_space == JCS_RGB;
  if (colour) cinfo->out_color_space = JCS_EXT_BGR;

  if (image.GetCancelRequest() == -1) {
    jpeg_calc_output_dimensions(cinfo);
    st.width = int32_t(cinfo->output_width);
    st.height = int32_t(cinfo->output_height);
    return true;
  }
  jpeg_calc_output_dimensions(cinfo);
  // Rows are made for grey, colour or CMYK samples: other counts (a file of 2 or of 5 to
  // 10 components in an unknown colour space) would not fit them.
  const int outputComponents = cinfo->output_components;
  if (outputComponents != 1 && outputComponents != 3 && outputComponents != 4) {
    image.SetLastError("JPEG file with an unsupported number of colour components");
    return false;
  }
  // A small file cannot hold a huge picture: at the very least two bits a block of 64
  // pixels (the smallest codes of a DC value and an end of block).
  const uint64_t pixels = uint64_t(cinfo->image_width) * cinfo->image_height;
  if (st.bytes >= 0 && pixels > std::max<uint64_t>(uint64_t(1) << 20, uint64_t(st.bytes) * 256)) {
    image.SetLastError("JPEG picture larger than its data can hold");
    return false;
  }
  jpeg_start_decompress(cinfo);
  const int components = cinfo->output_components;
  if (!image.Create(int32_t(cinfo->output_width), int32_t(cinfo->output_height),
                    components * 8, IMAGE_FORMAT_JPG))
    longjmp(st.err.jump, 1);

  const CRasterExifRecord* exif = st.exif;
  if (exif && exif->xResolution != 0 && exif->resolutionUnit != 0) {
    // (Negative, huge or NaN resolutions become 96 through SetDpi's rule for 0.)
    auto dpi = [](double v) { return v >= 1 && v < 2147483647.0 ? int32_t(v) : 0; };
    image.SetDpiX(dpi(double(exif->xResolution) / exif->resolutionUnit));
    image.SetDpiY(dpi(double(exif->yResolution) / exif->resolutionUnit));
  } else if (cinfo->density_unit == 2) {
    image.SetDpiX(int32_t(std::floor(cinfo->X_density * 2.54 + 0.5)));
    image.SetDpiY(int32_t(std::floor(cinfo->Y_density * 2.54 + 0.5)));
  } else {
    // Dots per inch, and any other unit (none, an aspect ratio) taken as dots per inch
    // too: the densities as they are (1 without a JFIF header; 0 gives 96).
    image.SetDpiX(cinfo->X_density);
    image.SetDpiY(cinfo->Y_density);
  }
  if (quantize) {
    const int n = std::min(cinfo->actual_number_of_colors, 256);
    JSAMPARRAY map = cinfo->colormap;
    if (cinfo->out_color_components == 3)
      image.SetPaletteFromChannels(uint32_t(n), map[0], map[1], map[2]);
    else
      image.SetPaletteFromChannels(uint32_t(n), map[0], map[0], map[0]);
  } else if (components == 1) {
    image.SetGreyPalette();
  }

  const int32_t width = int32_t(cinfo->output_width);
  const int32_t height = int32_t(cinfo->output_height);
  if (components == 4) {
    // CMYK (as Adobe writes it, inverted): each channel scaled by K.
    JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(j_common_ptr(cinfo), JPOOL_IMAGE,
                                                 JDIMENSION(width) * 4, 1);
    while (cinfo->output_scanline < cinfo->output_height) {
      if (image.GetCancelRequest() != 0) longjmp(st.err.jump, 1);
      const int32_t y = height - 1 - int32_t(cinfo->output_scanline);
      jpeg_read_scanlines(cinfo, row, 1);
      uint8_t* out = image.GetRowPointer(y);
      const uint8_t* in = row[0];
      for (int32_t x = 0; x < width; ++x) {
        const unsigned k = in[4 * x + 3];
        out[3 * x] = uint8_t(in[4 * x + 2] * k / 255);
        out[3 * x + 1] = uint8_t(in[4 * x + 1] * k / 255);
        out[3 * x + 2] = uint8_t(in[4 * x] * k / 255);
      }
    }
  } else {
    // Straight into the picture's rows, top line first, as many at a time as the codec
    // gives.
    JSAMPROW rows[16];
    while (cinfo->output_scanline < cinfo->output_height) {
      if (image.GetCancelRequest() != 0) longjmp(st.err.jump, 1);
      const int32_t first = int32_t(cinfo->output_scanline);
      const int n = std::min<int>(16, height - first);
      for (int i = 0; i < n; ++i) rows[i] = image.GetRowPointer(height - 1 - first - i);
      jpeg_read_scanlines(cinfo, rows, JDIMENSION(n));
    }
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

struct EncodeState {
  CRasterJPG* image;
  CRasterStream* stream;
  jpeg_compress_struct cinfo;
  ErrorManager err;
};

bool RunEncode(EncodeState& st) {
  if (setjmp(st.err.jump)) return false;
  j_compress_ptr cinfo = &st.cinfo;
  CRasterJPG& image = *st.image;
  jpeg_create_compress(cinfo);
  DestinationOver(cinfo, st.stream);
  const bool grey = image.IsPaletted();  // an identity grey ramp (checked by the caller)
  cinfo->image_width = JDIMENSION(image.GetWidth());
  cinfo->image_height = JDIMENSION(image.GetHeight());
  cinfo->input_components = grey ? 1 : 3;
  cinfo->in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(cinfo);
  const int32_t options = image.GetFormatOption(IMAGE_FORMAT_JPG);
  if (options & JPEG_OPTION_ARITHMETIC) cinfo->arith_code = TRUE;
  if (options & JPEG_OPTION_OPTIMIZE) cinfo->optimize_coding = TRUE;
  if (options & JPEG_OPTION_GREY) jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
  if (options & JPEG_OPTION_SMOOTHING) cinfo->smoothing_factor = std::clamp(image.GetSmoothing(), 0, 100);
  jpeg_set_quality(cinfo, image.GetQuality(), (options & JPEG_OPTION_BASELINE) ? TRUE : FALSE);
  if (options & JPEG_OPTION_PROGRESSIVE) jpeg_simple_progression(cinfo);
  cinfo->density_unit = 1;
  cinfo->X_density = UINT16(std::clamp(image.GetDpiX(), 1, 65535));
  cinfo->Y_density = UINT16(std::clamp(image.GetDpiY(), 1, 65535));
  jpeg_start_compress(cinfo, TRUE);
  const int32_t height = image.GetHeight();
  while (cinfo->next_scanline < cinfo->image_height) {
    JSAMPROW row = image.GetRowPointer(height - 1 - int32_t(cinfo->next_scanline));
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  return true;
}

}  // namespace

CRasterJPG::CRasterJPG() : CRaster(IMAGE_FORMAT_JPG) {}

CRasterJPG::~CRasterJPG() = default;

bool CRasterJPG::ReadExif(CRasterStream* stream) {
  m_metadata.reset(new Metadata);
  if (!stream) return false;
  const int64_t position = stream->Tell();
  m_metadata->reader.ReadSections(stream, CRasterExifReader::kReadExif);
  stream->Seek(position, SEEK_SET);
  // Only the sections a later save carries are worth keeping.
  m_metadata->reader.KeepExifAndComment();
  return m_metadata->record.isExif != 0;
}

const CRasterExifRecord* CRasterJPG::GetExifRecord() const {
  const Metadata* m = m_metadata.get();
  if (!m) m = dynamic_cast<const Metadata*>(GetContinuation());
  if (!m && SharedSource()) m = dynamic_cast<const Metadata*>(SharedSource()->GetContinuation());
  return m && m->record.isExif ? &m->record : nullptr;
}

bool CRasterJPG::Decode(CRasterStream* stream) {
  if (!stream) return false;
  const int64_t start = stream->Tell();
  const int64_t size = stream->Size();
  const bool hasExif = ReadExif(stream);
  DecodeState st = {};
  st.image = this;
  st.stream = stream;
  st.exif = hasExif ? &m_metadata->record : nullptr;
  st.bytes = size >= 0 && start >= 0 ? size - start : -1;
  st.cinfo.err = jpeg_std_error(&st.err.pub);
  st.err.pub.error_exit = ErrorExit;
  st.err.pub.output_message = SilentMessage;
  st.err.text = m_info.lastError;
  const bool ok = RunDecode(st);
  jpeg_destroy_decompress(&st.cinfo);
  if (!ok) return false;
  TakeContinuation();  // the old picture's state is replaced by this file's
  if (m_info.cancelRequest == -1) {
    m_header.biWidth = st.width;
    m_header.biHeight = st.height;
    return true;
  }
  // The file's EXIF and comment sections stay with the picture for a later save.
  if (hasExif) SetContinuation(std::move(m_metadata));
  return true;
}

bool CRasterJPG::Encode(CRasterStream* stream) {
  if (CheckEncodeTarget(stream)) return false;
  if (IsPaletted() && !IsIdentityGrey()) {
    SetLastError("JPEG can save only RGB or GreyScale images");
    return false;
  }
  // With EXIF data to carry, the new file is made in memory and written with the old
  // file's EXIF and comment sections in place of its own header.
  const Metadata* m = m_metadata.get();
  if (!m && SharedSource()) m = dynamic_cast<const Metadata*>(SharedSource()->GetContinuation());
  if (!m) m = dynamic_cast<const Metadata*>(GetContinuation());
  const bool carry = m && m->record.isExif;
  CRasterMemoryStream memory;
  if (carry && !memory.Open()) {
    SetLastError("CRaster::Create can't allocate memory");
    return false;
  }
  EncodeState st = {};
  st.image = this;
  st.stream = carry ? static_cast<CRasterStream*>(&memory) : stream;
  st.cinfo.err = jpeg_std_error(&st.err.pub);
  st.err.pub.error_exit = ErrorExit;
  st.err.pub.output_message = SilentMessage;
  st.err.text = m_info.lastError;
  const bool ok = RunEncode(st);
  jpeg_destroy_compress(&st.cinfo);
  if (!ok || !carry) return ok;

  CRasterExifReader splice;
  splice.KeepSectionsOf(m->reader);
  memory.Seek(0, SEEK_SET);
  if (!splice.ReadSections(&memory, CRasterExifReader::kReadImageData) ||
      !splice.WriteSections(stream) || !stream->Flush() || stream->Error() != 0) {
    SetLastError(splice.GetError()[0] ? splice.GetError() : "Output file write error --- out of disk space?");
    return false;
  }
  return true;
}
