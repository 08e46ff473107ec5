#include "engine/effects/EffectFiles.h"

#include "engine/base/PackageFile.h"
#include "engine/base/SystemUtils.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"
#include "engine/elements/FrameElement.h"
#include "image/Raster.h"

namespace {

constexpr const char* kCameraThumbnail = "res\\webcam.png";
constexpr const char* kErrorThumbnail = "res\\error.png";

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

HBITMAP BitmapOfPngFile(const std::string& path) {
  CRaster picture;
  if (!picture.Load(path.c_str(), IMAGE_FORMAT_PNG)) return nullptr;
  return picture.MakeDeviceBitmap(nullptr);
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::string ResolveEffectPath(const std::string& path) {
  std::string resolved = path;
  if (EqualsNoCase(ExtensionOfPath(path), "lne")) {
    resolved = ReadTextFile(path);
    // A text editor ends the line; the path is the line without its end.
    size_t begin = 0, end = resolved.size();
    while (begin < end && IsLineEnd(resolved[begin])) ++begin;
    while (end > begin && IsLineEnd(resolved[end - 1])) --end;
    resolved = resolved.substr(begin, end - begin);
  }
  return CombinePath(GetProgramDirectory(), resolved);
}

HBITMAP MakeEffectThumbnail(const std::string& source) {
  HBITMAP bitmap = nullptr;
  if (StartsWithNoCase(source, "@cam:")) {
    bitmap = BitmapOfPngFile(GetProgramFolder() + kCameraThumbnail);
  } else {
    CPackageFile package(kEffectFileTag);
    std::vector<uint8_t> bytes;
    if (SUCCEEDED(package.Open(ResolveEffectPath(source))) &&
        package.GetBytes(PROP_EFFECT_THUMBNAIL, bytes) && !bytes.empty()) {
      CRaster picture;
      if (picture.DecodeMemory(bytes.data(), bytes.size(), IMAGE_FORMAT_PNG))
        bitmap = picture.MakeDeviceBitmap(nullptr);
    }
  }
  if (!bitmap) bitmap = BitmapOfPngFile(GetProgramFolder() + kErrorThumbnail);
  return bitmap;
}

bool CopyEffectFile(const std::string& source, const std::string& destination,
                    const std::string& kind, const std::string& category,
                    const std::string& name) {
  const std::string path = ResolveEffectPath(source);
  if (!FileExists(path)) return false;
  CEffect effect;
  if (FAILED(effect.OpenFile(path))) return false;
  effect.SetName(name);
  effect.SetCategory(category);
  effect.SetKind(kind);
  return SUCCEEDED(effect.SaveToFile(destination));
}

bool CreateEffectFile(const std::string& path, const std::string& kind, int elementType,
                      const std::string& source) {
  CEffect effect;
  effect.SetProperty(PROP_SOURCE_TYPE, IntToText(elementType));
  switch (elementType) {
    case ELEMENT_IMAGE:
      effect.SetProperty(PROP_IMAGE_LOAD, source);
      break;
    case ELEMENT_FLASH:
      effect.SetProperty(PROP_FLASH_PATH, source);
      break;
    case ELEMENT_TEXT:
      effect.SetProperty(PROP_TEXT, source);
      break;
    default:
      break;
  }
  // Placed as effects of the kind are; the kind text itself is not stored.
  if (EqualsNoCase(kind, "Background")) {
    effect.ApplyPreset(0);
    effect.SetProperty(PROP_EFFECT_BACKGROUND, "1");
  } else if (EqualsNoCase(kind, "Transform")) {
    effect.ApplyPreset(0);
  } else if (EqualsNoCase(kind, "Mask")) {
    effect.ApplyPreset(8);  // follows the face
  } else if (EqualsNoCase(kind, "Frame") || EqualsNoCase(kind, "Emotion")) {
    effect.ApplyPreset(7);  // centred
  } else if (EqualsNoCase(kind, "Text")) {
    effect.ApplyPreset(6);  // bounces along the bottom
  }
  effect.SetProperty(PROP_EFFECT_MAKE_THUMBNAIL, IntToText(0xFFFFFF));
  return SUCCEEDED(effect.SaveToFile(path));
}

bool ReadEffectInfo(const std::string& path, std::vector<std::string>& info) {
  CEffect effect;
  if (FAILED(effect.OpenFile(path))) return false;
  info.push_back(effect.GetKind());
  info.push_back(effect.GetCategory());
  info.push_back(effect.GetName());
  return true;
}
