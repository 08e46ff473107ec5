// Every cross-built library links into a Windows program and does real work under Wine.
#include <windows.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <openjpeg.h>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>
#include <png.h>
#include <sqlite3.h>
#include <tiffio.h>
#include <zlib.h>

namespace {

// A small gradient picture, 3 bytes per pixel, so codecs have something to keep.
std::vector<unsigned char> Gradient(int w, int h) {
  std::vector<unsigned char> px(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      unsigned char* p = &px[(static_cast<size_t>(y) * w + x) * 3];
      p[0] = static_cast<unsigned char>(x * 255 / (w - 1));
      p[1] = static_cast<unsigned char>(y * 255 / (h - 1));
      p[2] = 128;
    }
  return px;
}

std::string ExeFolder() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of("\\/") + 1);
}

struct PngReadCursor {
  const std::vector<unsigned char>* data;
  size_t pos;
};

}  // namespace

TEST(Harness, PngRoundTripsInMemory) {
  const int w = 17, h = 9;
  const auto pixels = Gradient(w, h);
  std::vector<unsigned char> file;

  {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    ASSERT_NE(png, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &file,
        [](png_structp p, png_bytep d, png_size_t n) {
          auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(p));
          out->insert(out->end(), d, d + n);
        },
        nullptr);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y)
      png_write_row(png, const_cast<png_bytep>(&pixels[static_cast<size_t>(y) * w * 3]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
  }
  ASSERT_GT(file.size(), 8u);
  EXPECT_EQ(0, png_sig_cmp(file.data(), 0, 8));

  std::vector<unsigned char> back(pixels.size());
  {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    PngReadCursor cursor{&file, 0};
    png_set_read_fn(png, &cursor, [](png_structp p, png_bytep d, png_size_t n) {
      auto* c = static_cast<PngReadCursor*>(png_get_io_ptr(p));
      if (c->pos + n > c->data->size()) png_error(p, "short read");
      std::memcpy(d, c->data->data() + c->pos, n);
      c->pos += n;
    });
    png_read_info(png, info);
    EXPECT_EQ(png_get_image_width(png, info), static_cast<png_uint_32>(w));
    EXPECT_EQ(png_get_image_height(png, info), static_cast<png_uint_32>(h));
    for (int y = 0; y < h; ++y) png_read_row(png, &back[static_cast<size_t>(y) * w * 3], nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
  }
  EXPECT_EQ(back, pixels);
}

namespace {
struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};
void JpegErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}
}  // namespace

TEST(Harness, JpegRoundTripsInMemoryWithTheVersion62Interface) {
  EXPECT_EQ(JPEG_LIB_VERSION, 62);
  const int w = 32, h = 16;
  const auto pixels = Gradient(w, h);

  unsigned char* file = nullptr;
  unsigned long fileSize = 0;
  {
    jpeg_compress_struct c{};
    JpegError err;
    c.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    if (setjmp(err.jump)) FAIL() << "libjpeg reported an error while encoding";
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &file, &fileSize);
    c.image_width = w;
    c.image_height = h;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
      JSAMPROW row = const_cast<JSAMPROW>(&pixels[static_cast<size_t>(c.next_scanline) * w * 3]);
      jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
  }
  ASSERT_NE(file, nullptr);
  ASSERT_GT(fileSize, 2u);
  EXPECT_EQ(file[0], 0xFF);
  EXPECT_EQ(file[1], 0xD8);

  std::vector<unsigned char> back(pixels.size());
  {
    jpeg_decompress_struct d{};
    JpegError err;
    d.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    if (setjmp(err.jump)) FAIL() << "libjpeg reported an error while decoding";
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, file, fileSize);
    ASSERT_EQ(jpeg_read_header(&d, TRUE), JPEG_HEADER_OK);
    jpeg_start_decompress(&d);
    EXPECT_EQ(d.output_width, static_cast<JDIMENSION>(w));
    EXPECT_EQ(d.output_height, static_cast<JDIMENSION>(h));
    while (d.output_scanline < d.output_height) {
      JSAMPROW row = &back[static_cast<size_t>(d.output_scanline) * w * 3];
      jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
  }
  std::free(file);
  // Quality 100 keeps a smooth gradient within a few levels.
  int worst = 0;
  for (size_t i = 0; i < back.size(); ++i) worst = std::max(worst, std::abs(back[i] - pixels[i]));
  EXPECT_LE(worst, 8);
}

TEST(Harness, SqliteRunsStatementsWithItsWindowsLayer) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  char* error = nullptr;
  ASSERT_EQ(sqlite3_exec(db,
                         "PRAGMA SYNCHRONOUS=NORMAL; PRAGMA temp_store = MEMORY;"
                         "CREATE TABLE prefs(name TEXT, value TEXT);"
                         "INSERT INTO prefs VALUES('camera','old');"
                         "UPDATE prefs SET value='Tavisco' WHERE name='camera';",
                         nullptr, nullptr, &error),
            SQLITE_OK)
      << (error ? error : "");
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT value FROM prefs WHERE name='camera'", -1, &st, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "Tavisco");
  sqlite3_finalize(st);
  EXPECT_NE(sqlite3_exec(db, "UPDATE missing SET x=1", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_NE(std::string(sqlite3_errmsg(db)).find("no such table"), std::string::npos);
  sqlite3_close(db);
}

TEST(Harness, TiffAndOpenJpegAndZlibAreLinked) {
  EXPECT_NE(std::string(TIFFGetVersion()).find("4.5"), std::string::npos);
  EXPECT_TRUE(TIFFIsCODECConfigured(COMPRESSION_JPEG));
  EXPECT_TRUE(TIFFIsCODECConfigured(COMPRESSION_ADOBE_DEFLATE));
  EXPECT_EQ(std::string(opj_version()).substr(0, 3), "2.5");

  const std::string text(1000, 'x');
  uLongf packedSize = compressBound(static_cast<uLong>(text.size()));
  std::vector<Bytef> packed(packedSize);
  ASSERT_EQ(compress(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(text.data()),
                     static_cast<uLong>(text.size())),
            Z_OK);
  std::string back(text.size(), '\0');
  uLongf backSize = static_cast<uLongf>(back.size());
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(&back[0]), &backSize, packed.data(), packedSize), Z_OK);
  EXPECT_EQ(back, text);
}

TEST(Harness, HaarCascadeLoadsAndDetectsOnASyntheticPicture) {
  cv::CascadeClassifier faces;
  ASSERT_TRUE(faces.load(ExeFolder() + "res\\haarcascade_frontalface_alt.xml"));
  ASSERT_FALSE(faces.empty());

  // A flat picture with a few shapes: the detector runs through it and finds no face.
  cv::Mat picture(240, 320, CV_8UC3, cv::Scalar(90, 120, 150));
  cv::rectangle(picture, cv::Rect(40, 40, 60, 80), cv::Scalar(20, 20, 20), cv::FILLED);
  cv::circle(picture, cv::Point(220, 120), 40, cv::Scalar(230, 230, 230), cv::FILLED);
  cv::Mat gray;
  cv::cvtColor(picture, gray, cv::COLOR_BGR2GRAY);
  cv::equalizeHist(gray, gray);
  std::vector<cv::Rect> found;
  faces.detectMultiScale(gray, found, 1.2, 2, cv::CASCADE_SCALE_IMAGE, cv::Size(30, 30));
  EXPECT_TRUE(found.empty());
}
