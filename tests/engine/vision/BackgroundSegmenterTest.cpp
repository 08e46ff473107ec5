// The background segmenter: the hue key and the difference to a captured reference on
// drawn scenes, the mask steps (small things dropped, closed holes kept), 32-bit sources,
// the key point's range, its properties, and the effect drawing its picture through the
// mask.
#include "engine/vision/BackgroundSegmenter.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <functional>
#include <string>

#include "engine/base/DibSurface.h"
#include "engine/base/SystemUtils.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

using test_support::FakeEffectHost;
using test_support::PixelAt;
using ::testing::ElementsAre;

const cv::Scalar kGreen(0, 200, 0);
const cv::Scalar kRed(0, 0, 220);
const cv::Scalar kBlue(255, 0, 0);
const cv::Point kCentre(160, 120);

// A 320 x 240 scene drawn upright and stored in a surface of the given depth.
void Scene(CDibSurface& surface, int bits, const std::function<void(cv::Mat&)>& draw) {
  cv::Mat upright(240, 320, CV_8UC3);
  draw(upright);
  ASSERT_TRUE(surface.Create(320, 240, bits));
  cv::Mat stored;
  cv::flip(upright, stored, 0);
  if (bits == 32)
    cv::cvtColor(stored, *surface.GetIplImage(), cv::COLOR_BGR2BGRA);
  else
    stored.copyTo(*surface.GetIplImage());
}

// A textured background: the difference method needs no flat scene.
void Background(cv::Mat& m) {
  for (int y = 0; y < m.rows; ++y)
    for (int x = 0; x < m.cols; ++x)
      m.at<cv::Vec3b>(y, x) = cv::Vec3b(uchar(60 + x / 4), uchar(90 + y / 4), uchar(70 + (x + y) % 40));
}

// The mask at (x, y) counted from the top as shown. Filled shapes are 254, closed holes 255.
int MaskAt(const CBackgroundSegmenter& s, int x, int y) {
  const cv::Mat* mask = s.GetMask();
  return mask ? mask->at<uchar>(mask->rows - 1 - y, x) : -1;
}

std::string Get(CBackgroundSegmenter& s, int32_t id) {
  std::string value = "unset";
  s.GetProperty(id, value);
  return value;
}

// An effect with segmentation on, showing a picture file once Show was called.
class SegmentedEffect {
 public:
  SegmentedEffect() {
    effect.SetHost(&host);
    path = GetTempFolder() + "segmenter " + std::to_string(GetCurrentProcessId()) + ".bmp";
    effect.EnableSegmentation(TRUE);
  }
  ~SegmentedEffect() { DeleteFileA(path.c_str()); }
  // The effect opens the picture (which switches segmentation off), starts, and gets a new
  // segmenter.
  void Show(const CDibSurface& picture) {
    uint8_t* bytes = nullptr;
    uint32_t size = 0;
    ASSERT_EQ(picture.EncodePicture(&bytes, &size, 1), S_OK);
    ASSERT_EQ(WriteFileBytes(path, bytes, size), S_OK);
    CDibSurface::FreeEncoded(bytes);
    ASSERT_EQ(effect.OpenFile(path), S_OK);
    ASSERT_EQ(effect.Start(), S_OK);
    ASSERT_EQ(effect.EnableSegmentation(TRUE), S_OK);
  }
  CBackgroundSegmenter& Segmenter() { return *effect.GetSegmenter(); }

  FakeEffectHost host;
  CEffect effect;
  std::string path;
};

TEST(BackgroundSegmenter, HueKeyCutsTheRedDiscOutOfTheGreenScene) {
  for (int bits : {24, 32}) {
    SCOPED_TRACE(std::to_string(bits) + "-bit source");
    CBackgroundSegmenter segmenter(nullptr);
    CDibSurface scene;
    Scene(scene, bits, [](cv::Mat& m) {
      m.setTo(kGreen);
      cv::circle(m, kCentre, 60, kRed, cv::FILLED);
    });
    EXPECT_EQ(segmenter.Segment(scene), E_FAIL) << "not ready";
    EXPECT_EQ(segmenter.GetMask(), nullptr);
    ASSERT_EQ(segmenter.SetProperty(PROP_SEGMENT_METHOD, "1"), S_OK);
    ASSERT_EQ(segmenter.SetProperty(PROP_SEGMENT_KEY_X, "30"), S_OK);
    EXPECT_EQ(Get(segmenter, PROP_SEGMENT_READY), "1");
    EXPECT_EQ(segmenter.Segment(scene), E_FAIL) << "the key point has no y yet";
    ASSERT_EQ(segmenter.SetProperty(PROP_SEGMENT_KEY_Y, "40"), S_OK);
    ASSERT_EQ(segmenter.Segment(scene), S_OK);
    EXPECT_GE(MaskAt(segmenter, 160, 120), 254);
    EXPECT_GE(MaskAt(segmenter, 160, 70), 254);
    for (cv::Point p : {cv::Point(2, 2), cv::Point(317, 2), cv::Point(2, 237), cv::Point(317, 237),
                        cv::Point(160, 40), cv::Point(240, 120)})
      EXPECT_EQ(MaskAt(segmenter, p.x, p.y), 0) << p;
  }
}

TEST(BackgroundSegmenter, TheKeyPointCountsItsRowFromTheTopAsShown) {
  // Green above, blue below, a red disc in the green: a key point read from the wrong end
  // of the picture samples the other half, and the mask turns the other way.
  const cv::Scalar kSky(0, 200, 0), kGround(255, 0, 0);
  struct Case {
    const char* keyY;  // thousandths of the height, from the top as shown
    bool groundIsPerson;
  };
  for (const Case& c : {Case{"100", true}, Case{"900", false}}) {
    SCOPED_TRACE(std::string("key y ") + c.keyY);
    CBackgroundSegmenter segmenter(nullptr);
    CDibSurface scene;
    Scene(scene, 24, [&](cv::Mat& m) {
      m.setTo(kSky);
      m(cv::Rect(0, 120, 320, 120)).setTo(kGround);
      cv::circle(m, cv::Point(100, 60), 40, kRed, cv::FILLED);
    });
    ASSERT_EQ(segmenter.SetProperty(PROP_SEGMENT_METHOD, "1"), S_OK);
    ASSERT_EQ(segmenter.SetProperty(PROP_SEGMENT_KEY_X, "700"), S_OK);
    ASSERT_EQ(segmenter.SetProperty(PROP_SEGMENT_KEY_Y, c.keyY), S_OK);
    ASSERT_EQ(segmenter.Segment(scene), S_OK);
    const int ground = MaskAt(segmenter, 160, 200), sky = MaskAt(segmenter, 280, 30);
    EXPECT_EQ(ground, c.groundIsPerson ? 254 : 0);
    EXPECT_EQ(sky, c.groundIsPerson ? 0 : 254);
    EXPECT_EQ(MaskAt(segmenter, 100, 60), 254) << "the red disc differs from either key";
  }
}

TEST(BackgroundSegmenter, DifferenceToTheCapturedSceneKeepsBigShapesAndTheirHoles) {
  SegmentedEffect owner;
  CDibSurface empty, person;
  Scene(empty, 24, Background);
  owner.Show(empty);
  CBackgroundSegmenter& segmenter = owner.Segmenter();
  EXPECT_EQ(Get(segmenter, PROP_SEGMENT_READY), "0");
  EXPECT_EQ(segmenter.Segment(empty), E_FAIL) << "nothing captured";
  ASSERT_EQ(owner.effect.SetProperty(PROP_SEGMENT_CAPTURE, "1"), S_OK);
  EXPECT_EQ(Get(segmenter, PROP_SEGMENT_READY), "1");

  // A ring with a closed hole, and a small square that is no person.
  Scene(person, 24, [](cv::Mat& m) {
    Background(m);
    cv::circle(m, kCentre, 80, cv::Scalar(20, 20, 200), 40);
    cv::rectangle(m, cv::Rect(20, 20, 30, 30), cv::Scalar(250, 250, 250), cv::FILLED);
  });
  ASSERT_EQ(segmenter.Segment(person), S_OK);
  EXPECT_EQ(MaskAt(segmenter, 160, 40), 254) << "the ring";
  EXPECT_GE(MaskAt(segmenter, 160, 120), 254) << "the hole the ring closes";
  EXPECT_EQ(MaskAt(segmenter, 35, 35), 0) << "the small square (outline 120 pixels)";
  EXPECT_EQ(MaskAt(segmenter, 300, 220), 0) << "the unchanged scene";
  // The empty scene has no person.
  ASSERT_EQ(segmenter.Segment(empty), S_OK);
  EXPECT_EQ(MaskAt(segmenter, 160, 40), 0);

  // A threshold of 0 takes every difference; here the slightly brighter scene.
  CDibSurface brighter;
  Scene(brighter, 24, [](cv::Mat& m) {
    Background(m);
    m += cv::Scalar(3, 3, 3);
  });
  ASSERT_EQ(segmenter.Segment(brighter), S_OK);
  EXPECT_EQ(MaskAt(segmenter, 160, 120), 0) << "below the default threshold";
  ASSERT_EQ(segmenter.SetProperty(PROP_SEGMENT_THRESHOLD, "0"), S_OK);
  ASSERT_EQ(segmenter.Segment(brighter), S_OK);
  EXPECT_EQ(MaskAt(segmenter, 160, 120), 254);

  // A source of another size fails until the next capture; a 32-bit one of the same size
  // compares its colours.
  CDibSurface smaller, deep;
  ASSERT_TRUE(smaller.Create(176, 144, 24));
  EXPECT_EQ(segmenter.Segment(smaller), E_FAIL);
  EXPECT_EQ(segmenter.GetMask(), nullptr);
  ASSERT_EQ(segmenter.SetProperty(PROP_SEGMENT_THRESHOLD, "15"), S_OK);
  Scene(deep, 32, [](cv::Mat& m) {
    Background(m);
    cv::circle(m, kCentre, 80, cv::Scalar(20, 20, 200), 40);
  });
  ASSERT_EQ(segmenter.Segment(deep), S_OK);
  EXPECT_EQ(MaskAt(segmenter, 160, 40), 254);
}

TEST(BackgroundSegmenter, PropertiesKeepTheirRangesAndReportTheirChanges) {
  SegmentedEffect owner;
  CBackgroundSegmenter& segmenter = owner.Segmenter();
  owner.host.notifications.clear();
  struct Case {
    int32_t id;
    const char* value;
    const char* stored;
  };
  const Case cases[] = {
      {PROP_SEGMENT_METHOD, "1", "1"},        {PROP_SEGMENT_METHOD, "0", "0"},
      {PROP_SEGMENT_KEY_X, "2000", "1000"},   {PROP_SEGMENT_KEY_X, "-5", "0"},
      {PROP_SEGMENT_KEY_Y, "999", "999"},     {PROP_SEGMENT_KEY_Y, "junk", "999"},
      {PROP_SEGMENT_THRESHOLD, "-40", "-40"}, {PROP_SEGMENT_THRESHOLD, "100000", "100000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(owner.effect.SetProperty(c.id, c.value), S_OK) << std::hex << c.id;
    std::string value;
    EXPECT_EQ(owner.effect.GetProperty(c.id, value), S_OK);
    EXPECT_EQ(value, c.stored) << std::hex << c.id << " " << c.value;
  }
  EXPECT_EQ(owner.host.notifications.size(), 8u);
  // Ready is read only, capturing is write only and reports nothing.
  std::string value;
  EXPECT_EQ(owner.effect.SetProperty(PROP_SEGMENT_READY, "0"), E_FAIL);
  EXPECT_EQ(owner.effect.GetProperty(PROP_SEGMENT_CAPTURE, value), E_FAIL);
  owner.host.notifications.clear();
  EXPECT_EQ(owner.effect.SetProperty(PROP_SEGMENT_CAPTURE, "1"), S_OK);
  EXPECT_TRUE(owner.host.notifications.empty());

  // A key at 1000 is out of the picture: the key method fails.
  ASSERT_EQ(segmenter.SetProperty(PROP_SEGMENT_METHOD, "1"), S_OK);
  ASSERT_EQ(segmenter.SetProperty(PROP_SEGMENT_KEY_X, "2000"), S_OK);
  CDibSurface scene;
  Scene(scene, 24, [](cv::Mat& m) { m.setTo(kGreen); });
  EXPECT_EQ(segmenter.Segment(scene), E_FAIL);
  ASSERT_EQ(segmenter.SetProperty(PROP_SEGMENT_KEY_X, "999"), S_OK);
  EXPECT_EQ(segmenter.Segment(scene), S_OK);

  // Switching segmentation off deletes the segmenter and its settings.
  EXPECT_EQ(owner.effect.SetProperty(PROP_SEGMENT_ENABLE, "0"), S_OK);
  EXPECT_EQ(owner.effect.GetSegmenter(), nullptr);
  EXPECT_EQ(owner.effect.GetProperty(PROP_SEGMENT_KEY_X, value), E_FAIL);
  EXPECT_EQ(owner.effect.SetProperty(PROP_SEGMENT_ENABLE, "1"), S_OK);
  EXPECT_EQ(Get(*owner.effect.GetSegmenter(), PROP_SEGMENT_KEY_X), "-1");
  EXPECT_EQ(Get(*owner.effect.GetSegmenter(), PROP_SEGMENT_THRESHOLD), "15");
  owner.effect.Reset();
  EXPECT_EQ(owner.effect.GetSegmenter(), nullptr);
}

TEST(BackgroundSegmenter, TheEffectDrawsOnlyThePersonOverWhatIsBehind) {
  SegmentedEffect owner;
  CDibSurface scene;
  Scene(scene, 24, [](cv::Mat& m) {
    m.setTo(kGreen);
    cv::circle(m, kCentre, 60, kRed, cv::FILLED);
  });
  owner.Show(scene);
  owner.effect.SetFrameRect(RECT{0, 0, 320, 240});
  owner.effect.ApplyPreset(0);  // the whole frame
  CDibSurface output;
  ASSERT_TRUE(output.Create(320, 240, 24));
  auto render = [&] {
    output.GetIplImage()->setTo(kBlue);
    CFrameContext context;
    context.output = &output;
    owner.effect.Render(&context);
  };
  // Without a key point the picture is drawn whole.
  render();
  EXPECT_EQ(PixelAt(output, 4, 4)[1], 200);
  ASSERT_EQ(owner.effect.SetProperty(PROP_SEGMENT_METHOD, "1"), S_OK);
  ASSERT_EQ(owner.effect.SetProperty(PROP_SEGMENT_KEY_X, "10"), S_OK);
  ASSERT_EQ(owner.effect.SetProperty(PROP_SEGMENT_KEY_Y, "10"), S_OK);
  render();
  for (cv::Point p : {cv::Point(4, 4), cv::Point(315, 4), cv::Point(4, 235), cv::Point(315, 235)})
    EXPECT_EQ(PixelAt(output, p.x, p.y), (test_support::Bgra{255, 0, 0, -1})) << p;
  // The person's mask is 254: the picture, with a trace of what is behind.
  const test_support::Bgra centre = PixelAt(output, 160, 120);
  EXPECT_LE(centre[0], 2);
  EXPECT_EQ(centre[1], 0);
  EXPECT_GE(centre[2], 218);
}

}  // namespace
