// The engine's package file: a small container of numbered items (integers, texts and
// blocks of bytes), each keyed by an id and a sub-key. Effect files are packages with the
// tag "FCEC", and elements keep their own settings as items of the same package.
//
// A package is read whole and written whole. Its block has the layout
//   "SPPK" | index block | data block | trailer (8 x u32)
// with all integers little-endian; a reader finds the block from the end, so a package may
// also sit at the end of another file. The trailer holds the index offset and size, the
// data offset and size, the total size of the block, the flags, the tag and "SPPK".
//
// Reading checks every offset and size against the real buffer; a damaged, truncated or
// foreign package is rejected with E_FAIL and leaves the package empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/WinTypes.h"

// The tag of four characters as a package stores it: the little-endian value of their
// bytes, so MakePackageTag("FCEC") is written as the bytes 46 43 45 43.
constexpr uint32_t MakePackageTag(const char (&chars)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(chars[0])) |
         static_cast<uint32_t>(static_cast<uint8_t>(chars[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(chars[2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(chars[3])) << 24;
}

class CPackageFile {
 public:
  // Item types. kTypeCompressed is only ever read: such an item's data is stored as a u32
  // uncompressed size followed by a zlib stream, and is inflated when the package is read.
  enum : uint16_t {
    kTypeInt = 1,
    kTypeText = 2,
    kTypeBytes = 3,
    kTypeCompressed = 0x1000,
  };

  // Flags: compress the index block (bit 0) and the data block (bit 1) when writing.
  enum : uint32_t {
    kCompressIndex = 1,
    kCompressData = 2,
  };

  // A reader with this tag accepts a package of any tag and takes its tag over.
  static constexpr uint32_t kAnyTag = 0xFFFFFFFFu;
  static constexpr uint32_t kMagic = MakePackageTag("SPPK");
  static constexpr size_t kTrailerSize = 32;
  static constexpr size_t kIndexRecordSize = 16;
  // The largest block (index, data or one item) that reading inflates, and the largest
  // total of all item data that one package may inflate.
  static constexpr uint32_t kMaxInflatedSize = 256u << 20;

  struct Item {
    uint32_t id = 0;
    uint16_t type = 0;
    uint16_t subKey = 0;
    // The integer of an integer item; after reading, the data offset of an item with data.
    uint32_t value = 0;
    // The text (without terminating zero) or bytes; empty for an item without data.
    std::vector<uint8_t> data;
  };

  explicit CPackageFile(uint32_t tag, uint32_t flags = 0);
  CPackageFile(const CPackageFile&) = default;
  CPackageFile& operator=(const CPackageFile&) = default;
  CPackageFile(CPackageFile&&) = default;
  CPackageFile& operator=(CPackageFile&&) = default;
  virtual ~CPackageFile();

  // Reads the file `path` whole (no sharing, existing file only) and loads it. Returns 0,
  // a failure code from the system error when the file cannot be opened (the package is
  // then unchanged), or E_FAIL when reading or loading fails (the package is then empty).
  // Remembers the path on success. Windows only.
  HRESULT Open(const std::string& path);
  // Serializes the package and writes it to `path`, creating or truncating the file
  // (no sharing). Returns 0, a failure code from the system error when the file cannot be
  // created, or E_FAIL. Windows only.
  HRESULT Save(const std::string& path) const;

  // Loads the package in the `size` bytes at `data`; the package block is found from the
  // end. On success the items are those of the block, the tag becomes the block's tag and
  // the path is empty. On failure (E_FAIL) the package is empty and its tag and path are
  // unchanged. A package of 36 bytes or less (one without items) is rejected.
  HRESULT LoadFromMemory(const uint8_t* data, size_t size);
  // Writes the package block into `out`. Returns 0, or E_FAIL (and `out` empty) when the
  // package does not fit the file's 32-bit sizes or cannot be compressed.
  HRESULT Serialize(std::vector<uint8_t>& out) const;

  // Setters replace the first item with the same id and sub-key in its place, or append.
  void SetInt(uint32_t id, int32_t value, uint16_t subKey = 0);
  void SetBool(uint32_t id, BOOL value, uint16_t subKey = 0);  // stored as integer 0 or 1
  void SetText(uint32_t id, const std::string& text, uint16_t subKey = 0);
  void SetBytes(uint32_t id, const void* data, size_t length, uint16_t subKey = 0);

  // Getters never fail: a missing item or a type that does not match gives the default.
  int32_t GetInt(uint32_t id, int32_t defaultValue, uint16_t subKey = 0) const;
  BOOL GetBool(uint32_t id, BOOL defaultValue, uint16_t subKey = 0) const;
  // The text of a text item, up to its first zero byte.
  std::string GetText(uint32_t id, const std::string& defaultText, uint16_t subKey = 0) const;
  // Copies the data of an item with data whose type is not 0 in its low two bits (texts
  // and bytes) into `out` and returns its length; otherwise empties `out` and returns 0.
  size_t GetBytes(uint32_t id, std::vector<uint8_t>& out, uint16_t subKey = 0) const;

  // The first item with both keys, or nullptr.
  Item* Find(uint32_t id, uint16_t subKey = 0);
  const Item* Find(uint32_t id, uint16_t subKey = 0) const;

  const std::vector<Item>& GetItems() const { return m_items; }
  uint32_t GetFlags() const { return m_flags; }
  uint32_t GetTag() const { return m_tag; }
  const std::string& GetPath() const { return m_path; }

 private:
  Item& FindOrAppend(uint32_t id, uint16_t subKey);

  std::vector<Item> m_items;
  uint32_t m_flags;
  uint32_t m_tag;
  std::string m_path;
};
