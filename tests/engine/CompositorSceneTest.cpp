// The composed frame of the compositor benchmark's scene, pinned: whatever is done to make
// composition fast, these frames stay the same byte for byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "CompositorSupport.h"
#include "bench/CompositorScene.h"

namespace {

// FNV-1a over the frame's bytes.
uint64_t Fingerprint(const CDibSurface& frame) {
  uint64_t hash = 14695981039346656037ull;
  for (size_t i = 0; i < frame.GetBitsSize(); ++i) {
    hash ^= frame.GetBits()[i];
    hash *= 1099511628211ull;
  }
  return hash;
}

class CompositorScene : public test_support::CompositorTest {
 protected:
  void SetUp() override {
    CompositorTest::SetUp();
    m_folder = MakeSceneFolder();
    ASSERT_FALSE(m_folder.empty());
  }
  void TearDown() override {
    CompositorTest::TearDown();
    RemoveSceneFolder(m_folder);
  }
  std::string m_folder;
};

}  // namespace

TEST_F(CompositorScene, ComposesTheBenchmarkFrameAsPinned) {
  struct Case {
    int width, height, effects;
    bool veil;
    uint64_t fingerprint;
  };
  const Case cases[] = {
      {320, 240, 0, false, 0xd50a2e43856a7325ull},  {320, 240, 4, false, 0x44dd21992bdfa6f5ull},
      {320, 240, 16, false, 0x807d9ef757179fc8ull}, {640, 480, 4, false, 0xc90fb332208c0e53ull},
      {320, 240, 0, true, 0xf321572caf10a01bull},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + ", " +
                 std::to_string(c.effects) + " effects" + (c.veil ? " and the veil" : ""));
    Start(0, c.width, c.height);
    ASSERT_TRUE(BuildCompositorScene(*compositor, c.width, c.height, c.effects, m_folder));
    if (c.veil) ASSERT_TRUE(AddCompositorVeil(*compositor, c.width, c.height, m_folder));
    Compose();
    const uint64_t first = Fingerprint(compositor->GetOutputPicture());
    Compose();  // the same frame again: nothing carries over from one frame to the next
    const uint64_t second = Fingerprint(compositor->GetOutputPicture());
    char text[32];
    snprintf(text, sizeof(text), "0x%016llxull", static_cast<unsigned long long>(first));
    EXPECT_EQ(first, c.fingerprint) << text;
    EXPECT_EQ(second, first);
    compositor.reset();
  }
}
