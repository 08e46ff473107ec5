// Proves the native build really runs under the sanitizers: a heap overflow and a signed
// overflow must each stop the program with the sanitizer's report.
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HOST_HAS_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define HOST_HAS_ASAN 1
#endif

namespace {
volatile int gSink;

int ReadPastEnd(size_t n) {
  std::unique_ptr<char[]> block(new char[n]);
  std::memset(block.get(), 1, n);
  return block[n];  // one byte past the block
}

int AddOverflowing(int a, int b) { return a + b; }
}  // namespace

TEST(HostSanitizers, AddressSanitizerStopsAHeapOverflow) {
#ifndef HOST_HAS_ASAN
  GTEST_SKIP() << "not an AddressSanitizer build";
#else
  EXPECT_DEATH(gSink = ReadPastEnd(16), "heap-buffer-overflow");
#endif
}

TEST(HostSanitizers, UndefinedBehaviorSanitizerStopsASignedOverflow) {
#ifndef HOST_HAS_ASAN
  GTEST_SKIP() << "not a sanitizer build";
#else
  volatile int big = INT_MAX;
  EXPECT_DEATH(gSink = AddOverflowing(big, 1), "signed integer overflow");
#endif
}

TEST(HostSanitizers, ZlibRoundTripIsClean) {
  std::string text;
  for (int i = 0; i < 500; ++i) text += std::to_string(i * 7919) + ",";
  uLongf packedSize = compressBound(static_cast<uLong>(text.size()));
  std::vector<Bytef> packed(packedSize);
  ASSERT_EQ(compress2(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(text.data()),
                      static_cast<uLong>(text.size()), Z_BEST_COMPRESSION),
            Z_OK);
  std::string back(text.size(), '\0');
  uLongf backSize = static_cast<uLongf>(back.size());
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(&back[0]), &backSize, packed.data(), packedSize), Z_OK);
  EXPECT_EQ(back, text);
}
