// Prints what decoding costs through CRaster against the codec alone, measured side by
// side in the same run: a 1920 x 1080 JPEG (libjpeg-turbo into a plain buffer), a
// 640 x 480 PNG (libpng into a plain buffer), and a 100-frame 320 x 240 GIF played frame
// by frame into one picture, as the engine plays animations (the LZW decoder alone on each
// frame's data), with the time of the first and last ten frames to show that each frame
// costs the same however far into the animation it lies.
//
//   image_bench.exe [repetitions]
#include <windows.h>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "image/Raster.h"
#include "image/RasterGIF.h"

namespace {

using Bytes = std::vector<uint8_t>;

double Now() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return double(t.QuadPart) / double(f.QuadPart);
}

// The best of `repetitions` timings of `work`, in milliseconds.
double Best(int repetitions, const std::function<void()>& work) {
  double best = 1e30;
  for (int i = 0; i < repetitions; ++i) {
    const double t0 = Now();
    work();
    best = std::min(best, (Now() - t0) * 1000);
  }
  return best;
}

// A photograph-like picture: smooth gradients with some texture.
void Fill(CRaster& picture, int w, int h, int seed) {
  picture.Create(w, h, 24, 0);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = picture.GetRowPointer(y);
    for (int x = 0; x < w; ++x) {
      row[3 * x] = uint8_t((x * 255 / w + seed * 7) ^ ((x * y) >> 9 & 15));
      row[3 * x + 1] = uint8_t(y * 255 / h + ((x + seed) % 13));
      row[3 * x + 2] = uint8_t(((x + y + seed * 3) / 3) & 255);
    }
  }
}

Bytes Encode(CRaster& picture, int32_t format) {
  uint8_t* buffer = nullptr;
  size_t size = 0;
  Bytes out;
  if (picture.EncodeMemory(buffer, size, format)) out.assign(buffer, buffer + size);
  CRaster::FreeBuffer(buffer);
  return out;
}

// The codecs alone decode into memory of their own for each picture, as a picture needs.
void JpegAlone(const Bytes& file) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&cinfo, TRUE);
  jpeg_start_decompress(&cinfo);
  const size_t stride = size_t(cinfo.output_width) * cinfo.output_components;
  uint8_t* pixels = static_cast<uint8_t*>(std::malloc(stride * cinfo.output_height));
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = pixels + stride * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::free(pixels);
}

void PngAlone(const Bytes& file) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  png_image_begin_read_from_memory(&image, file.data(), file.size());
  image.format = PNG_FORMAT_BGR;
  uint8_t* pixels = static_cast<uint8_t*>(std::malloc(PNG_IMAGE_SIZE(image)));
  png_image_finish_read(&image, nullptr, pixels, 0, nullptr);
  std::free(pixels);
}

// A 100-frame animation: frame k moves a pattern across the screen, every frame whole,
// each with a delay of 4 hundredths.
Bytes Animation(int frames, int w, int h, std::vector<std::pair<size_t, size_t>>& data) {
  Bytes out;
  for (int k = 0; k < frames; ++k) {
    CRaster frame(w, h, 8, 0);
    frame.SetDefaultPalette();
    for (int y = 0; y < h; ++y) {
      uint8_t* row = frame.GetRowPointer(y);
      for (int x = 0; x < w; ++x) row[x] = uint8_t(((x + 3 * k) / 6 + (y / 5) * 7 + ((x * y) >> 11)) % 64 + 16);
    }
    const Bytes gif = Encode(frame, IMAGE_FORMAT_GIF);
    // Header and table from the first frame; from each the control block and the image.
    const size_t body = 13 + 768;
    if (k == 0) out.assign(gif.begin(), gif.begin() + long(body));
    Bytes block(gif.begin() + long(body), gif.end() - 1);
    block[4] = 4;  // the delay
    const size_t at = out.size();
    out.insert(out.end(), block.begin(), block.end());
    data.push_back({at + 8 + 10, block.size() - 8 - 10});  // minimum code size byte on
  }
  out.push_back(0x3B);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

  CRaster big;
  Fill(big, 1920, 1080, 1);
  const Bytes jpeg = Encode(big, IMAGE_FORMAT_JPG);
  const double jpegCodec = Best(repetitions, [&] { JpegAlone(jpeg); });
  const double jpegRaster = Best(repetitions, [&] {
    CRaster r;
    r.DecodeMemory(jpeg.data(), jpeg.size(), IMAGE_FORMAT_JPG);
  });
  std::printf("JPEG 1920 x 1080 (%zu bytes): codec alone %.2f ms, CRaster %.2f ms, ratio %.2f\n",
              jpeg.size(), jpegCodec, jpegRaster, jpegRaster / jpegCodec);

  CRaster vga;
  Fill(vga, 640, 480, 2);
  const Bytes png = Encode(vga, IMAGE_FORMAT_PNG);
  const double pngCodec = Best(repetitions, [&] { PngAlone(png); });
  const double pngRaster = Best(repetitions, [&] {
    CRaster r;
    r.DecodeMemory(png.data(), png.size(), IMAGE_FORMAT_PNG);
  });
  std::printf("PNG 640 x 480 (%zu bytes): codec alone %.2f ms, CRaster %.2f ms, ratio %.2f\n",
              png.size(), pngCodec, pngRaster, pngRaster / pngCodec);

  const int frames = 100, w = 320, h = 240;
  std::vector<std::pair<size_t, size_t>> data;
  const Bytes gif = Animation(frames, w, h, data);
  Bytes indices(size_t(w) * h);
  Bytes joined;
  const double gifCodec = Best(repetitions, [&] {
    for (const auto& [at, length] : data) {
      // The sub-blocks joined, as the decoder takes them.
      joined.clear();
      for (size_t p = at + 1; p < at + length && gif[p] != 0; p += 1 + gif[p])
        joined.insert(joined.end(), gif.begin() + long(p + 1), gif.begin() + long(p + 1 + gif[p]));
      CRasterGIF::DecodeImageData(joined.data(), joined.size(), gif[at], w, h, indices.data());
    }
  });
  std::vector<double> perFrame(frames, 1e30);
  const double gifRaster = Best(repetitions, [&] {
    CRaster r;
    for (int k = 0; k < frames; ++k) {
      const double t0 = Now();
      r.SelectFrame(k);
      r.DecodeMemory(gif.data(), gif.size(), IMAGE_FORMAT_GIF);
      perFrame[size_t(k)] = std::min(perFrame[size_t(k)], (Now() - t0) * 1000);
    }
  });
  double first = 0, last = 0;
  for (int k = 0; k < 10; ++k) {
    first += perFrame[size_t(k)];
    last += perFrame[size_t(frames - 10 + k)];
  }
  std::printf("GIF %d frames of %d x %d (%zu bytes), frame by frame: codec alone %.2f ms, CRaster "
              "%.2f ms, ratio %.2f\n",
              frames, w, h, gif.size(), gifCodec, gifRaster, gifRaster / gifCodec);
  std::printf("GIF frames 0-9 %.2f ms, frames 90-99 %.2f ms (ratio %.2f: 1 means linear)\n", first,
              last, last / first);
  return 0;
}
