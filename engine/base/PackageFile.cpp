#include "engine/base/PackageFile.h"

#include <zlib.h>

#include <cstring>
#include <new>
#include <utility>

namespace {

// Deflate cannot expand data by more than this factor (a 258-byte match per two bits).
constexpr uint64_t kMaxDeflateRatio = 1032;
constexpr size_t kMinPackageSize = 4 + CPackageFile::kTrailerSize;

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void AppendU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void AppendU32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// Appends a compressed block: the u32 size of `source` and its zlib stream.
bool AppendCompressedBlock(const std::vector<uint8_t>& source, std::vector<uint8_t>& out) {
  const uint64_t sourceSize = source.size();
  // The same bound as compressBound, computed where it cannot wrap (uLong is 32-bit on
  // Windows).
  const uint64_t bound =
      sourceSize + (sourceSize >> 12) + (sourceSize >> 14) + (sourceSize >> 25) + 13;
  if (bound > UINT32_MAX) return false;
  const size_t start = out.size();
  AppendU32(out, static_cast<uint32_t>(sourceSize));
  out.resize(start + 4 + static_cast<size_t>(bound));
  uLongf streamSize = static_cast<uLongf>(bound);
  const Bytef empty = 0;
  if (compress(out.data() + start + 4, &streamSize, source.empty() ? &empty : source.data(),
               static_cast<uLong>(sourceSize)) != Z_OK) {
    out.resize(start);
    return false;
  }
  out.resize(start + 4 + streamSize);
  return true;
}

// Reads a compressed block of `length` bytes at `source`: a u32 uncompressed size and a
// zlib stream that must inflate to exactly that size. The size must be plausible for the
// stream's length and must not exceed `budget`, which is reduced by it.
bool InflateBlock(const uint8_t* source, uint64_t length, uint64_t& budget,
                  std::vector<uint8_t>& out) {
  if (length < 4 || length > UINT32_MAX) return false;
  const uint32_t size = ReadU32(source);
  const uint64_t streamLength = length - 4;
  if (size > budget || size > streamLength * kMaxDeflateRatio) return false;
  budget -= size;

  out.assign(size, 0);
  z_stream stream;
  std::memset(&stream, 0, sizeof(stream));
  if (inflateInit(&stream) != Z_OK) return false;
  Bytef spare = 0;  // zlib wants an output pointer even when nothing may be written
  stream.next_in = const_cast<Bytef*>(source + 4);
  stream.avail_in = static_cast<uInt>(streamLength);
  stream.next_out = size != 0 ? out.data() : &spare;
  stream.avail_out = size;
  const int result = inflate(&stream, Z_FINISH);
  const bool complete = result == Z_STREAM_END && stream.total_out == size;
  inflateEnd(&stream);
  return complete;
}

// A block of the package: either bytes of the caller's buffer or an inflated copy.
struct Block {
  const uint8_t* data = nullptr;
  uint64_t size = 0;
  std::vector<uint8_t> inflated;
};

bool ReadBlock(const uint8_t* data, uint64_t size, bool compressed, Block& block) {
  if (!compressed) {
    block.data = data;
    block.size = size;
    return true;
  }
  uint64_t budget = CPackageFile::kMaxInflatedSize;
  if (!InflateBlock(data, size, budget, block.inflated)) return false;
  block.data = block.inflated.data();
  block.size = block.inflated.size();
  return true;
}

// Parses the package block at the end of the `size` bytes at `data` (size > 36). Every
// offset and size read from the package is checked against the bytes really there.
bool ParsePackage(const uint8_t* data, size_t size, uint32_t acceptedTag,
                  std::vector<CPackageFile::Item>& items, uint32_t& tag) {
  const uint8_t* trailer = data + size - CPackageFile::kTrailerSize;
  const uint32_t indexOffset = ReadU32(trailer);
  const uint32_t indexSize = ReadU32(trailer + 4);
  const uint32_t dataOffset = ReadU32(trailer + 8);
  const uint32_t dataSize = ReadU32(trailer + 12);
  const uint32_t totalSize = ReadU32(trailer + 16);
  const uint32_t flags = ReadU32(trailer + 20);
  tag = ReadU32(trailer + 24);
  if (acceptedTag != CPackageFile::kAnyTag && tag != acceptedTag) return false;

  if (totalSize < kMinPackageSize || totalSize > size) return false;
  const uint8_t* start = data + (size - totalSize);
  const uint64_t bodySize = totalSize - CPackageFile::kTrailerSize;
  if (uint64_t{indexOffset} + indexSize > bodySize) return false;
  if (uint64_t{dataOffset} + dataSize > bodySize) return false;

  Block index;
  if (!ReadBlock(start + indexOffset, indexSize, (flags & CPackageFile::kCompressIndex) != 0,
                 index)) {
    return false;
  }
  if (index.size % CPackageFile::kIndexRecordSize != 0) return false;
  Block block;
  if (!ReadBlock(start + dataOffset, dataSize, (flags & CPackageFile::kCompressData) != 0, block)) {
    return false;
  }

  const uint64_t count = index.size / CPackageFile::kIndexRecordSize;
  items.reserve(static_cast<size_t>(count));
  // Items share the data block: all their lengths together cannot exceed it, so a few
  // records cannot make copies of the same bytes over and over.
  uint64_t dataUsed = 0;
  uint64_t inflateBudget = CPackageFile::kMaxInflatedSize;
  for (uint64_t i = 0; i < count; ++i) {
    const uint8_t* record = index.data + i * CPackageFile::kIndexRecordSize;
    CPackageFile::Item item;
    item.id = ReadU32(record);
    item.type = ReadU16(record + 4);
    item.subKey = ReadU16(record + 6);
    item.value = ReadU32(record + 8);
    const uint32_t length = ReadU32(record + 12);
    if (length != 0) {
      if (uint64_t{item.value} + length > block.size) return false;
      dataUsed += length;
      if (dataUsed > block.size) return false;
      const uint8_t* itemData = block.data + item.value;
      if (item.type & CPackageFile::kTypeCompressed) {
        if (!InflateBlock(itemData, length, inflateBudget, item.data)) return false;
      } else {
        item.data.assign(itemData, itemData + length);
      }
    }
    items.push_back(std::move(item));
  }
  return true;
}

}  // namespace

CPackageFile::CPackageFile(uint32_t tag, uint32_t flags) : m_flags(flags), m_tag(tag) {}

CPackageFile::~CPackageFile() = default;

HRESULT CPackageFile::LoadFromMemory(const uint8_t* data, size_t size) {
  // Parsed aside first: `data` may even lie inside one of this package's items.
  std::vector<Item> items;
  uint32_t tag = 0;
  bool parsed = false;
  if (data != nullptr && size > kMinPackageSize) {
    try {
      parsed = ParsePackage(data, size, m_tag, items, tag);
    } catch (const std::bad_alloc&) {
      parsed = false;
    }
  }
  if (!parsed) {
    std::vector<Item>().swap(m_items);
    return E_FAIL;
  }
  m_items = std::move(items);
  m_tag = tag;
  m_path.clear();
  return S_OK;
}

HRESULT CPackageFile::Serialize(std::vector<uint8_t>& out) const {
  out.clear();
  try {
    std::vector<uint8_t> index;
    std::vector<uint8_t> data;
    index.reserve(m_items.size() * kIndexRecordSize);
    uint64_t dataSize = 0;
    for (const Item& item : m_items) {
      const uint64_t length = item.data.size();
      if (dataSize + length > UINT32_MAX) return E_FAIL;
      AppendU32(index, item.id);
      // The data is written as it is held, uncompressed.
      AppendU16(index, static_cast<uint16_t>(item.type & ~kTypeCompressed));
      AppendU16(index, item.subKey);
      AppendU32(index, length != 0 ? static_cast<uint32_t>(dataSize) : item.value);
      AppendU32(index, static_cast<uint32_t>(length));
      data.insert(data.end(), item.data.begin(), item.data.end());
      dataSize += length;
    }
    if (index.size() > UINT32_MAX) return E_FAIL;

    std::vector<uint8_t> block;
    AppendU32(block, kMagic);
    if (m_flags & kCompressIndex) {
      if (!AppendCompressedBlock(index, block)) return E_FAIL;
    } else {
      block.insert(block.end(), index.begin(), index.end());
    }
    const uint64_t indexBlockSize = block.size() - 4;
    if (m_flags & kCompressData) {
      if (!AppendCompressedBlock(data, block)) return E_FAIL;
    } else {
      block.insert(block.end(), data.begin(), data.end());
    }
    const uint64_t dataBlockSize = block.size() - 4 - indexBlockSize;
    const uint64_t totalSize = block.size() + kTrailerSize;
    if (totalSize > UINT32_MAX) return E_FAIL;

    AppendU32(block, 4);
    AppendU32(block, static_cast<uint32_t>(indexBlockSize));
    AppendU32(block, static_cast<uint32_t>(4 + indexBlockSize));
    AppendU32(block, static_cast<uint32_t>(dataBlockSize));
    AppendU32(block, static_cast<uint32_t>(totalSize));
    AppendU32(block, m_flags);
    AppendU32(block, m_tag);
    AppendU32(block, kMagic);
    out = std::move(block);
    return S_OK;
  } catch (const std::bad_alloc&) {
    out.clear();
    return E_FAIL;
  }
}

CPackageFile::Item* CPackageFile::Find(uint32_t id, uint16_t subKey) {
  for (Item& item : m_items) {
    if (item.id == id && item.subKey == subKey) return &item;
  }
  return nullptr;
}

const CPackageFile::Item* CPackageFile::Find(uint32_t id, uint16_t subKey) const {
  return const_cast<CPackageFile*>(this)->Find(id, subKey);
}

CPackageFile::Item& CPackageFile::FindOrAppend(uint32_t id, uint16_t subKey) {
  if (Item* item = Find(id, subKey)) return *item;
  m_items.emplace_back();
  m_items.back().id = id;
  m_items.back().subKey = subKey;
  return m_items.back();
}

void CPackageFile::SetInt(uint32_t id, int32_t value, uint16_t subKey) {
  Item& item = FindOrAppend(id, subKey);
  item.type = kTypeInt;
  item.value = static_cast<uint32_t>(value);
  std::vector<uint8_t>().swap(item.data);
}

void CPackageFile::SetBool(uint32_t id, BOOL value, uint16_t subKey) {
  SetInt(id, value ? 1 : 0, subKey);
}

void CPackageFile::SetText(uint32_t id, const std::string& text, uint16_t subKey) {
  SetBytes(id, text.data(), text.size(), subKey);
  Find(id, subKey)->type = kTypeText;
}

void CPackageFile::SetBytes(uint32_t id, const void* data, size_t length, uint16_t subKey) {
  // Copied before the item is touched: the bytes may belong to an item of this package.
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  std::vector<uint8_t> copy(bytes, bytes + (bytes != nullptr ? length : 0));
  Item& item = FindOrAppend(id, subKey);
  item.type = kTypeBytes;
  item.value = 0;
  item.data = std::move(copy);
}

int32_t CPackageFile::GetInt(uint32_t id, int32_t defaultValue, uint16_t subKey) const {
  const Item* item = Find(id, subKey);
  return item != nullptr && item->type == kTypeInt ? static_cast<int32_t>(item->value)
                                                   : defaultValue;
}

BOOL CPackageFile::GetBool(uint32_t id, BOOL defaultValue, uint16_t subKey) const {
  const Item* item = Find(id, subKey);
  if (item != nullptr && item->type == kTypeInt) return item->value != 0 ? TRUE : FALSE;
  return defaultValue != 0 ? TRUE : FALSE;
}

std::string CPackageFile::GetText(uint32_t id, const std::string& defaultText,
                                  uint16_t subKey) const {
  const Item* item = Find(id, subKey);
  if (item == nullptr || item->type != kTypeText || item->data.empty()) return defaultText;
  const char* text = reinterpret_cast<const char*>(item->data.data());
  const void* zero = std::memchr(text, 0, item->data.size());
  return std::string(text,
                     zero != nullptr ? static_cast<const char*>(zero) : text + item->data.size());
}

size_t CPackageFile::GetBytes(uint32_t id, std::vector<uint8_t>& out, uint16_t subKey) const {
  const Item* item = Find(id, subKey);
  if (item == nullptr || item->data.empty() || (item->type & 3) == 0) {
    out.clear();
    return 0;
  }
  out = item->data;
  return out.size();
}
