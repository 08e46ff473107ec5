// Fuzzes the package reader: whatever the bytes, reading must stay inside them, fail
// cleanly with an empty package, or give items that write back and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/base/PackageFile.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CPackageFile fixedTag(MakePackageTag("FCEC"), 0);
  if (fixedTag.LoadFromMemory(data, size) != S_OK) Check(fixedTag.GetItems().empty());
  Check(fixedTag.GetTag() == MakePackageTag("FCEC"));

  CPackageFile package(CPackageFile::kAnyTag, 0);
  if (package.LoadFromMemory(data, size) != S_OK) {
    Check(package.GetItems().empty());
    Check(package.GetTag() == CPackageFile::kAnyTag);
    return 0;
  }

  std::vector<uint8_t> bytes;
  for (const CPackageFile::Item& item : package.GetItems()) {
    package.GetInt(item.id, 0, item.subKey);
    package.GetText(item.id, "", item.subKey);
    Check(package.GetBytes(item.id, bytes, item.subKey) == bytes.size());
  }

  // What was read writes back and reads again to the same items.
  std::vector<uint8_t> written;
  Check(package.Serialize(written) == S_OK);
  CPackageFile again(package.GetTag(), 0);
  Check(again.LoadFromMemory(written.data(), written.size()) == S_OK || package.GetItems().empty());
  Check(again.GetItems().size() == package.GetItems().size());
  for (size_t i = 0; i < again.GetItems().size(); ++i) {
    const CPackageFile::Item& before = package.GetItems()[i];
    const CPackageFile::Item& after = again.GetItems()[i];
    Check(after.id == before.id && after.subKey == before.subKey);
    Check(after.type == (before.type & ~CPackageFile::kTypeCompressed));
    Check(after.data == before.data);
    if (before.data.empty()) Check(after.value == before.value);
  }
  return 0;
}
