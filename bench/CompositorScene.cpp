#include "bench/CompositorScene.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "engine/api/VDEngine.h"
#include "engine/base/DibSurface.h"
#include "engine/base/SystemUtils.h"
#include "engine/compositor/EffectCompositor.h"
#include "engine/effects/PropertyIds.h"
#include "image/Raster.h"

namespace {

constexpr const char* kKind = "Scene";

// A 32-bit picture whose pixel (x, y), counted from the top, is given by `pixel`.
template <typename Pixel>
bool WritePicture(const std::string& path, int width, int height, Pixel pixel) {
  CDibSurface picture;
  if (!picture.Create(width, height, 32) || !picture.GetBits()) return false;
  for (int y = 0; y < height; ++y) {
    BYTE* row = picture.GetBits() + size_t(height - 1 - y) * size_t(picture.GetStride());
    for (int x = 0; x < width; ++x) pixel(x, y, row + size_t(x) * 4);
  }
  uint8_t* png = nullptr;
  uint32_t size = 0;
  if (FAILED(picture.EncodePicture(&png, &size, IMAGE_FORMAT_PNG)) || !png) return false;
  FILE* file = fopen(path.c_str(), "wb");
  const bool written = file && fwrite(png, 1, size, file) == size;
  if (file && fclose(file) != 0) return false;
  CDibSurface::FreeEncoded(png);
  return written;
}

// Opaque border, then a band whose alpha falls to 0, then a clear middle.
bool WriteFramePicture(const std::string& path, int width, int height) {
  const int band = width / 12 > 4 ? width / 12 : 4;
  return WritePicture(path, width, height, [&](int x, int y, BYTE* p) {
    int edge = x;
    for (int d : {y, width - 1 - x, height - 1 - y}) edge = d < edge ? d : edge;
    p[0] = BYTE(40 + (x * 200) / width);
    p[1] = BYTE(90 + (y * 150) / height);
    p[2] = BYTE(200 - (x * 100) / width);
    p[3] = edge < band ? 255 : edge < 2 * band ? BYTE(255 - ((edge - band) * 255) / band) : 0;
  });
}

// Discs on a grid, opaque with a rim fading out, on a clear ground.
bool WriteStickerPicture(const std::string& path, int width, int height) {
  const int grid = width / 8 > 8 ? width / 8 : 8;
  const int radius = grid / 3;
  return WritePicture(path, width, height, [&](int x, int y, BYTE* p) {
    const int cellX = x / grid, cellY = y / grid;
    const int cx = cellX * grid + grid / 2 + (cellX * 3 + cellY * 7) % (grid / 4 + 1);
    const int cy = cellY * grid + grid / 2 + (cellX * 5 + cellY * 2) % (grid / 4 + 1);
    const int d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
    const int inner = (radius - 3) * (radius - 3), outer = radius * radius;
    if (d2 >= outer) {
      p[0] = p[1] = p[2] = p[3] = 0;
      return;
    }
    p[0] = BYTE(60 + (x * 7 + y) % 160);
    p[1] = BYTE(200 - (y * 3) % 120);
    p[2] = BYTE(90 + (cellX * 40) % 160);
    p[3] = d2 <= inner ? 255 : BYTE(((outer - d2) * 255) / (outer - inner));
  });
}

// Smooth colours, alpha between 64 and 223.
bool WriteVeilPicture(const std::string& path, int width, int height) {
  return WritePicture(path, width, height, [&](int x, int y, BYTE* p) {
    p[0] = BYTE((x * 255) / width);
    p[1] = BYTE((y * 255) / height);
    p[2] = BYTE(((x + y) * 127) / (width + height) + 64);
    p[3] = BYTE(64 + ((x * 3 + y * 5) % 160));
  });
}

bool Set(CEffectCompositor& compositor, int32_t id, int32_t property, const std::string& value) {
  return SUCCEEDED(compositor.SetProperty(id, property, value));
}

}  // namespace

std::string MakeSceneFolder() {
  const std::string folder =
      GetTempFolder() + "tavisco_scene_" + std::to_string(GetCurrentProcessId()) + "\\";
  if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    return std::string();
  }
  return folder;
}

void RemoveSceneFolder(const std::string& folder) {
  if (folder.empty()) return;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*.png").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      DeleteFileA((folder + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

bool BuildCompositorScene(CEffectCompositor& compositor, int width, int height, int effects,
                          const std::string& folder) {
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  const std::string framePath = folder + "scene_frame_" + size + ".png";
  const std::string stickerPath = folder + "scene_stickers_" + size + ".png";
  if (!WriteFramePicture(framePath, width, height) ||
      !WriteStickerPicture(stickerPath, width * 3 / 4, height * 3 / 4)) {
    return false;
  }

  compositor.SetKindMultiple(kKind, TRUE);
  if (FAILED(compositor.OpenElementFile(MODULE_MAIN_SOURCE, "@color:0x604020"))) return false;
  for (int i = 0; i < effects; ++i) {
    const int kind = i % 4;
    std::string path;
    switch (kind) {
      case 0:
        path = framePath;
        break;
      case 2:
        path = stickerPath;
        break;
      default: {
        char colour[32];
        snprintf(colour, sizeof(colour), "@color:0x%06X", 0x101010 * (i % 15 + 1));
        path = colour;
        break;
      }
    }
    if (FAILED(compositor.AddEffect(path.c_str(), kKind, nullptr, nullptr))) return false;
    const int32_t id = compositor.GetSelectedEffect();
    bool set = true;
    if (kind == 1) {
      set = Set(compositor, id, PROP_SOURCE_TYPE, "7") &&
            Set(compositor, id, PROP_TEXT, "Effect " + std::to_string(i)) &&
            Set(compositor, id, PROP_TEXT_SIZE, "32");
    } else if (kind == 3) {
      set = Set(compositor, id, PROP_EFFECT_BLEND_MODE, (i / 4) % 2 == 0 ? "1" : "3");
    }
    // Preset 0: the whole frame, stretched.
    if (!set || !Set(compositor, id, PROP_LAYOUT_PRESET, "0")) return false;
  }
  return true;
}

bool AddCompositorVeil(CEffectCompositor& compositor, int width, int height,
                       const std::string& folder) {
  const std::string path =
      folder + "scene_veil_" + std::to_string(width) + "x" + std::to_string(height) + ".png";
  if (!WriteVeilPicture(path, width * 3 / 4, height * 3 / 4)) return false;
  compositor.SetKindMultiple(kKind, TRUE);
  if (FAILED(compositor.AddEffect(path.c_str(), kKind, nullptr, nullptr))) return false;
  return Set(compositor, compositor.GetSelectedEffect(), PROP_LAYOUT_PRESET, "0");
}
