// JPEG-2000 files (a box structure around the code stream) and bare code streams through
// OpenJPEG, connected to a CRasterStream by its stream functions.
#include "image/RasterJasPer.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "image/StreamFields.h"

namespace {

constexpr uint8_t kFileSignature[12] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50,
                                        0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
constexpr uint8_t kCodeStreamSignature[4] = {0xFF, 0x4F, 0xFF, 0x51};

// The stream and where the file starts in it.
struct OpjClient {
  CRasterStream* stream;
  int64_t base;
};

OPJ_SIZE_T ReadProc(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* client = static_cast<OpjClient*>(user);
  const size_t got = client->stream->Read(buffer, 1, count);
  return got == 0 ? OPJ_SIZE_T(-1) : got;
}

OPJ_SIZE_T WriteProc(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* client = static_cast<OpjClient*>(user);
  return client->stream->Write(buffer, 1, count);
}

OPJ_OFF_T SkipProc(OPJ_OFF_T count, void* user) {
  auto* client = static_cast<OpjClient*>(user);
  return client->stream->Seek(count, SEEK_CUR) ? count : OPJ_OFF_T(-1);
}

OPJ_BOOL SeekProc(OPJ_OFF_T offset, void* user) {
  auto* client = static_cast<OpjClient*>(user);
  if (offset < 0) return OPJ_FALSE;
  return client->stream->Seek(client->base + offset, SEEK_SET) ? OPJ_TRUE : OPJ_FALSE;
}

void Quiet(const char*, void*) {}

struct CodecCloser {
  void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamCloser {
  void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct ImageCloser {
  void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
using CodecPtr = std::unique_ptr<opj_codec_t, CodecCloser>;
using StreamPtr = std::unique_ptr<opj_stream_t, StreamCloser>;
using ImagePtr = std::unique_ptr<opj_image_t, ImageCloser>;

StreamPtr MakeStream(OpjClient& client, bool input) {
  StreamPtr stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, input ? OPJ_TRUE : OPJ_FALSE));
  if (!stream) return stream;
  opj_stream_set_user_data(stream.get(), &client, nullptr);
  if (input) {
    const int64_t size = client.stream->Size();
    opj_stream_set_user_data_length(stream.get(), OPJ_UINT64(std::max<int64_t>(size - client.base, 0)));
    opj_stream_set_read_function(stream.get(), ReadProc);
  } else {
    opj_stream_set_write_function(stream.get(), WriteProc);
  }
  opj_stream_set_skip_function(stream.get(), SkipProc);
  opj_stream_set_seek_function(stream.get(), SeekProc);
  return stream;
}

uint32_t Big32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// The number of tiles the code stream's image and tile size segment declares, read before
// the codec sees the stream (it sets up every tile of the grid while reading the header);
// 0 when the segment is not found. In a file the code stream is the contents box.
uint64_t DeclaredTiles(CRasterStream* stream, int64_t base, bool file) {
  int64_t at = base;
  if (file) {
    for (int boxes = 0;; ++boxes) {
      uint8_t box[16];
      if (boxes > 64 || !stream->Seek(at, SEEK_SET) || !ReadBytes(stream, box, 8)) return 0;
      uint64_t length = Big32(box);
      int64_t header = 8;
      if (length == 1) {
        if (!ReadBytes(stream, box + 8, 8)) return 0;
        length = uint64_t(Big32(box + 8)) << 32 | Big32(box + 12);
        header = 16;
      }
      if (std::memcmp(box + 4, "jp2c", 4) == 0) {
        at += header;
        break;
      }
      if (length < uint64_t(header) || length > uint64_t(INT64_MAX - at)) return 0;
      at += int64_t(length);
    }
  }
  uint8_t siz[42];
  if (!stream->Seek(at, SEEK_SET) || !ReadBytes(stream, siz, sizeof siz) ||
      std::memcmp(siz, kCodeStreamSignature, sizeof kCodeStreamSignature) != 0)
    return 0;
  const uint64_t width = Big32(siz + 8), height = Big32(siz + 12);
  const uint64_t left = Big32(siz + 16), top = Big32(siz + 20);
  const uint64_t tileWidth = Big32(siz + 24), tileHeight = Big32(siz + 28);
  const uint64_t tileLeft = Big32(siz + 32), tileTop = Big32(siz + 36);
  if (tileWidth == 0 || tileHeight == 0 || width <= tileLeft || height <= tileTop ||
      left >= width || top >= height)
    return 0;
  return ((width - tileLeft + tileWidth - 1) / tileWidth) * ((height - tileTop + tileHeight - 1) / tileHeight);
}

void QuietCodec(opj_codec_t* codec) {
  opj_set_info_handler(codec, Quiet, nullptr);
  opj_set_warning_handler(codec, Quiet, nullptr);
  opj_set_error_handler(codec, Quiet, nullptr);
}

}  // namespace

double CRasterJasPer::CompressionRatio(int32_t quality) {
  if (quality >= 100) return 0;
  return 100.0 / std::max(quality, 1);
}

bool CRasterJasPer::Decode(CRasterStream* stream, int32_t formatId) {
  if (!stream) return false;
  auto fail = [this](const char* text) {
    SetLastError(text);
    return false;
  };
  OpjClient client{stream, std::max<int64_t>(stream->Tell(), 0)};
  uint8_t head[12] = {};
  const size_t got = stream->Read(head, 1, sizeof head);
  if (!stream->Seek(client.base, SEEK_SET)) return fail("error: cannot open standard input");
  int32_t found;
  OPJ_CODEC_FORMAT codecFormat;
  if (got >= sizeof kFileSignature && std::memcmp(head, kFileSignature, sizeof kFileSignature) == 0) {
    found = IMAGE_FORMAT_JP2;
    codecFormat = OPJ_CODEC_JP2;
  } else if (got >= sizeof kCodeStreamSignature &&
             std::memcmp(head, kCodeStreamSignature, sizeof kCodeStreamSignature) == 0) {
    found = IMAGE_FORMAT_JPC;
    codecFormat = OPJ_CODEC_J2K;
  } else {
    return fail("error: cannot load image data");
  }
  if (formatId != IMAGE_FORMAT_UNKNOWN && formatId != IMAGE_FORMAT_JP2 && formatId != IMAGE_FORMAT_JPC)
    return fail("error: cannot load image data");

  // Every tile of the grid costs the codec its own work, present or not: each needs a
  // tile-part (a start-of-tile marker segment of 12 bytes and a start of data of 2), so a
  // grid of more tiles than the data can hold tile-parts for is a damaged file.
  const int64_t size = stream->Size();
  const uint64_t tiles = DeclaredTiles(stream, client.base, found == IMAGE_FORMAT_JP2);
  if (!stream->Seek(client.base, SEEK_SET)) return fail("error: cannot open standard input");
  if (size >= 0 && tiles * 14 > uint64_t(std::max<int64_t>(size - client.base, 0)))
    return fail("error: cannot load image data");

  CodecPtr codec(opj_create_decompress(codecFormat));
  if (!codec) return fail("cannot initialize jasper");
  QuietCodec(codec.get());
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  if (!opj_setup_decoder(codec.get(), &parameters)) return fail("cannot initialize jasper");
  StreamPtr input = MakeStream(client, true);
  if (!input) return fail("error: cannot open standard input");
  opj_image_t* raw = nullptr;
  if (!opj_read_header(input.get(), codec.get(), &raw)) {
    opj_image_destroy(raw);
    return fail("error: cannot load image data");
  }
  ImagePtr image(raw);
  if (image->numcomps > 64) return fail("error: too much components");
  // The grid as the codec read it (the check above passes files whose segment it could
  // not find).
  if (opj_codestream_info_v2_t* info = opj_get_cstr_info(codec.get())) {
    const uint64_t grid = uint64_t(info->tw) * info->th;
    opj_destroy_cstr_info(&info);
    if (size >= 0 && grid * 14 > uint64_t(std::max<int64_t>(size - client.base, 0)))
      return fail("error: cannot load image data");
  }
  // The samples must fit before the codec allocates them: twice, for the codec decodes
  // each tile into buffers of its own before it copies them into the image.
  uint64_t bytes = 0;
  for (OPJ_UINT32 i = 0; i < image->numcomps; ++i) {
    const opj_image_comp_t& c = image->comps[i];
    if (c.w == 0 || c.h == 0 || c.w > INT32_MAX || c.h > INT32_MAX) return fail("error: cannot load image data");
    bytes += uint64_t(c.w) * c.h * 4 * 2;
    if (bytes > kMaxComponentBytes) return fail("error: cannot allocate memory");
  }
  if (!opj_decode(codec.get(), input.get(), image.get()) || !opj_end_decompress(codec.get(), input.get()))
    return fail("error: cannot load image data");

  RasterComponents list;
  list.components.resize(image->numcomps);
  for (OPJ_UINT32 i = 0; i < image->numcomps; ++i) {
    const opj_image_comp_t& c = image->comps[i];
    RasterComponent& r = list.components[i];
    r.width = int32_t(c.w);
    r.height = int32_t(c.h);
    r.precision = int32_t(c.prec);
    r.isSigned = c.sgnd != 0;
    r.isAlpha = c.alpha != 0;
    r.data = c.data;
  }
  switch (image->color_space) {
    case OPJ_CLRSPC_SRGB:
      list.space = ComponentSpace::kRgb;
      break;
    case OPJ_CLRSPC_GRAY:
      list.space = ComponentSpace::kGrey;
      break;
    case OPJ_CLRSPC_SYCC:
    case OPJ_CLRSPC_EYCC:
      list.space = ComponentSpace::kYcc;
      break;
    case OPJ_CLRSPC_CMYK:
      list.space = ComponentSpace::kCmyk;
      break;
    default:
      // A code stream does not name its colours: subsampled second and third components
      // are the colour differences of YCC.
      if (image->numcomps >= 3 &&
          (image->comps[1].dx > image->comps[0].dx || image->comps[1].dy > image->comps[0].dy))
        list.space = ComponentSpace::kYcc;
      break;
  }
  return BuildFromComponents(list, found);
}

bool CRasterJasPer::Encode(CRasterStream* stream, int32_t formatId) {
  if (CheckEncodeTarget(stream)) return false;
  auto fail = [this](const char* text) {
    SetLastError(text);
    return false;
  };
  RasterComponents list;
  if (!ComponentsFromPicture(list)) return false;
  const int32_t w = GetWidth();
  const int32_t h = GetHeight();
  const OPJ_UINT32 count = OPJ_UINT32(list.components.size());

  opj_image_cmptparm_t parameters[3];
  std::memset(parameters, 0, sizeof parameters);
  for (OPJ_UINT32 i = 0; i < count; ++i) {
    parameters[i].dx = parameters[i].dy = 1;
    parameters[i].w = OPJ_UINT32(w);
    parameters[i].h = OPJ_UINT32(h);
    parameters[i].prec = 8;
    parameters[i].sgnd = 0;
  }
  ImagePtr image(opj_image_create(count, parameters, count == 1 ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB));
  if (!image) return fail("error : jas_image_create");
  image->x0 = image->y0 = 0;
  image->x1 = OPJ_UINT32(w);
  image->y1 = OPJ_UINT32(h);
  for (OPJ_UINT32 i = 0; i < count; ++i) {
    if (!image->comps[i].data) return fail("error : can't allocate memory");
    std::memcpy(image->comps[i].data, list.components[i].Samples(), size_t(w) * size_t(h) * sizeof(OPJ_INT32));
  }

  CodecPtr codec(opj_create_compress(formatId == IMAGE_FORMAT_JPC ? OPJ_CODEC_J2K : OPJ_CODEC_JP2));
  if (!codec) return fail("cannot initialize jasper");
  QuietCodec(codec.get());
  opj_cparameters_t settings;
  opj_set_default_encoder_parameters(&settings);
  settings.tcp_numlayers = 1;
  settings.cp_disto_alloc = 1;
  settings.tcp_rates[0] = float(CompressionRatio(GetQuality()));
  settings.tcp_mct = count == 3 ? 1 : 0;
  // Each resolution level halves the picture: no more levels than its sides allow.
  int levels = 1;
  while (levels < 6 && (int64_t(1) << levels) <= std::min(w, h)) ++levels;
  settings.numresolution = levels;
  if (!opj_setup_encoder(codec.get(), &settings, image.get())) return fail("error: cannot encode image\n");
  OpjClient client{stream, std::max<int64_t>(stream->Tell(), 0)};
  StreamPtr output = MakeStream(client, false);
  if (!output) return fail("error: cannot open standard output");
  if (!opj_start_compress(codec.get(), image.get(), output.get()) || !opj_encode(codec.get(), output.get()) ||
      !opj_end_compress(codec.get(), output.get()))
    return fail("error: cannot encode image\n");
  output.reset();  // writes what the stream still holds
  if (!stream->Flush()) return fail("error: cannot encode image\n");
  return true;
}
