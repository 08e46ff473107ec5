// Fuzzes the skin container and the image block: whatever the bytes, reading them as a
// ".skn" file and as an inflated image block must either succeed or raise the
// framework's exception, within the limits on inflated and picture sizes.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "skin/data/SkinSections.h"
#include "skin/data/SkinStore.h"

namespace {

struct TSkinDeleter {
  void operator()(TspCompressedStoredSkin* Skin) const { Skin->Free(); }
};

void ReadContainer(const uint8_t* data, size_t size) {
  std::unique_ptr<TspCompressedStoredSkin, TSkinDeleter> skin(new TspCompressedStoredSkin(nullptr));
  TReadOnlyMemoryStream stream(data, static_cast<int64_t>(size));
  try {
    skin->LoadFromCompressedStream(&stream);
    if (skin->IsEmpty()) return;
    TspSkinImageBlock block;
    TspSkinContent content;
    ReadStoredSkin(skin.get(), block, content);
  } catch (const Exception&) {
  }
}

void ReadBlock(const uint8_t* data, size_t size) {
  try {
    TspSkinImageBlock block;
    ReadSkinImageBlock(data, size, block);
    if (block.ActivePictures.size() * 26 > size) __builtin_trap();  // more pictures than bytes
  } catch (const Exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadContainer(data, size);
  ReadBlock(data, size);
  return 0;
}
