// The program's default skin as the engine window's stored skin carries it: the
// compressed block (the "CompressedData" of a TspCompressedStoredSkin), made at build time
// by the skin packer from the same folder as "skins\Default.skn". Link default_skin and
// hand it over with
//   TReadOnlyMemoryStream data(kDefaultStoredSkin, kDefaultStoredSkinSize);
//   StoredSkin->ReadCompressedData(&data);
#pragma once

#include <cstddef>
#include <cstdint>

extern const uint8_t kDefaultStoredSkin[];
extern const size_t kDefaultStoredSkinSize;
