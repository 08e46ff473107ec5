// Mouse editing through the compositor: the preview's mouse input moves the selected effect
// in the composed frame and outlines it in the preview, selects what it presses on, keeps
// expired effects while an edit is active, keeps the edit when the program selects another
// effect, and ends an edit whose effect was removed under the held button. The drawing-board flag sends the input past the editing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "CompositorSupport.h"
#include "engine/compositor/EffectCompositor.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"

namespace {

using test_support::Bgra;
using test_support::CompositorTest;
using test_support::Posted;
using test_support::Rgb24;
using test_support::ScopedFakeClock;
using ::testing::IsEmpty;
using ::testing::IsSupersetOf;

constexpr DWORD kBlue = 0xFF0000;
constexpr DWORD kGreen = 0x00FF00;
constexpr DWORD kRed = 0x0000FF;

class CompositorEditing : public CompositorTest {
 protected:
  // A colour effect placed at the rectangle; its id.
  int32_t AddPlaced(DWORD colour, const RECT& rect) {
    const int32_t id = AddColour(colour);
    CMutexLock lock(compositor->GetLock(), INFINITE);
    compositor->FindModule(id)->SetRect(rect);
    return id;
  }
  RECT RectOf(int32_t id) {
    CMutexLock lock(compositor->GetLock(), INFINITE);
    return compositor->FindModule(id)->GetRect();
  }
  int32_t Mouse(UINT message, int x, int y) {
    return compositor->PreviewMouse(FALSE, message, x, y);
  }
  // The property ids posted for a module since the last call, which forgets all posts.
  std::vector<int32_t> PropertiesPostedFor(int32_t id) {
    std::vector<int32_t> ids;
    for (const Posted& p : sink.Take(WM_ENGINE_PROPERTY_CHANGED)) {
      if (p.wParam == id) ids.push_back(p.lParam);
    }
    return ids;
  }
};

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(CompositorEditing, DraggingAnEffectMovesItInTheFrameAndOutlinesItInThePreview) {
  Start();
  ASSERT_EQ(compositor->OpenElementFile(MODULE_MAIN_SOURCE, test_support::ColourPath(kBlue)), S_OK);
  const int32_t effect = AddPlaced(kRed, {100, 100, 200, 150});
  Compose();
  ASSERT_EQ(Out(150, 120), Rgb24(kRed));
  sink.Take(0);

  EXPECT_EQ(Mouse(WM_LBUTTONDOWN, 150, 120), 0);
  EXPECT_TRUE(compositor->IsEditing());
  EXPECT_EQ(sink.Take(WM_ENGINE_EVENT), (std::vector<Posted>{{WM_ENGINE_EVENT, 0, 0}}))
      << "the pressed effect was already selected";
  EXPECT_EQ(Mouse(WM_MOUSEMOVE, 170, 130), 0);
  EXPECT_TRUE(SameRect(RectOf(effect), {120, 110, 220, 160}));
  EXPECT_THAT(PropertiesPostedFor(effect),
              IsSupersetOf({PROP_LAYOUT_X, PROP_LAYOUT_Y, PROP_LAYOUT_WIDTH, PROP_LAYOUT_HEIGHT}));
  EXPECT_EQ(Mouse(WM_LBUTTONUP, 170, 130), 0);

  Compose();
  EXPECT_EQ(Out(110, 105), Rgb24(kBlue));
  EXPECT_EQ(Out(210, 155), Rgb24(kRed));
  // The outline inverts the preview along the rectangle's edges; the output has none.
  auto outlined = [this] {
    int differing = 0;
    for (int x = 118; x <= 122; ++x) differing += Preview(x, 135) != Out(x, 135);
    return differing;
  };
  EXPECT_GT(outlined(), 0);

  EXPECT_EQ(Mouse(0, 0, 0), 0);
  EXPECT_FALSE(compositor->IsEditing());
  Compose();
  EXPECT_EQ(outlined(), 0) << "no outline once the edit has ended";
}

TEST_F(CompositorEditing, PressOnAnotherEffectSelectsItAndPostsTheChange) {
  Start();
  const int32_t lower = AddPlaced(kRed, {0, 0, 100, 100});
  const int32_t upper = AddPlaced(kGreen, {50, 50, 150, 150});
  ASSERT_EQ(compositor->GetSelectedEffect(), upper);
  sink.Take(0);

  Mouse(WM_LBUTTONDOWN, 20, 20);
  EXPECT_EQ(compositor->GetSelectedEffect(), lower);
  EXPECT_EQ(sink.Take(WM_ENGINE_EVENT), (std::vector<Posted>{{WM_ENGINE_EVENT, 0, 1}}));
  Mouse(WM_LBUTTONUP, 20, 20);

  // On empty space: the edit ends, the selection stays and nothing is posted.
  EXPECT_EQ(Mouse(WM_LBUTTONDOWN, 300, 200), 0);
  EXPECT_FALSE(compositor->IsEditing());
  EXPECT_EQ(compositor->GetSelectedEffect(), lower);
  EXPECT_THAT(sink.Take(WM_ENGINE_EVENT), IsEmpty());
  EXPECT_EQ(Mouse(WM_RBUTTONUP, 300, 200), 1);
}

TEST_F(CompositorEditing, RemovingTheEditedEffectUnderTheHeldButtonEndsTheEditUntouched) {
  Start();
  const int32_t remaining = AddPlaced(kRed, {100, 100, 200, 150});
  const int32_t edited = AddPlaced(kGreen, {100, 100, 200, 150});
  Mouse(WM_LBUTTONDOWN, 150, 120);
  Mouse(WM_MOUSEMOVE, 160, 120);
  ASSERT_EQ(compositor->RemoveEffect(edited), S_OK);
  ASSERT_EQ(compositor->GetSelectedEffect(), remaining);
  sink.Take(0);

  EXPECT_EQ(Mouse(WM_MOUSEMOVE, 190, 140), 0);
  EXPECT_FALSE(compositor->IsEditing());
  EXPECT_TRUE(SameRect(RectOf(remaining), {100, 100, 200, 150}));
  EXPECT_THAT(sink.Take(0), IsEmpty()) << "nothing changed, nothing is posted";
  EXPECT_EQ(Mouse(WM_LBUTTONUP, 190, 140), 1);
}

TEST_F(CompositorEditing, TheProgramSelectingAnotherEffectKeepsTheEdit) {
  Start();
  const int32_t other = AddPlaced(kRed, {0, 0, 50, 50});
  const int32_t edited = AddPlaced(kGreen, {100, 100, 200, 150});
  Mouse(WM_LBUTTONDOWN, 150, 120);
  Mouse(WM_MOUSEMOVE, 160, 120);
  ASSERT_EQ(compositor->SelectEffect(other), S_OK);

  Mouse(WM_MOUSEMOVE, 170, 130);
  EXPECT_TRUE(compositor->IsEditing());
  EXPECT_TRUE(SameRect(RectOf(edited), {120, 110, 220, 160}));
  EXPECT_TRUE(SameRect(RectOf(other), {0, 0, 50, 50}));
  EXPECT_EQ(Mouse(WM_LBUTTONUP, 170, 130), 0);
  Mouse(WM_MOUSEMOVE, 300, 200);
  EXPECT_TRUE(compositor->IsEditing()) << "until the program ends it";
  EXPECT_EQ(compositor->GetSelectedEffect(), other);
  EXPECT_EQ(Mouse(0, 0, 0), 0);
  EXPECT_FALSE(compositor->IsEditing());
}

TEST_F(CompositorEditing, ExpiredEffectsStayWhileAnEditIsActive) {
  ScopedFakeClock clock;
  Start();
  const int32_t timed = AddPlaced(kRed, {100, 100, 200, 150});
  ASSERT_EQ(compositor->SetProperty(timed, PROP_LIFETIME_MODE, "2"), S_OK);
  ASSERT_EQ(compositor->SetProperty(timed, PROP_LIFETIME_DURATION, "1"), S_OK);
  Compose();
  Mouse(WM_LBUTTONDOWN, 150, 120);
  Mouse(WM_LBUTTONUP, 150, 120);

  clock.Advance(1500);
  Compose();
  {
    CMutexLock lock(compositor->GetLock(), INFINITE);
    EXPECT_EQ(compositor->GetUserEffectCount(), 1u);
    EXPECT_EQ(compositor->GetFinishedCount(), 0u);
  }
  Mouse(0, 0, 0);
  Compose();
  CMutexLock lock(compositor->GetLock(), INFINITE);
  EXPECT_EQ(compositor->GetUserEffectCount(), 0u);
  EXPECT_EQ(compositor->GetFinishedCount(), 1u);
}

TEST_F(CompositorEditing, DrawingBoardInputLeavesTheEffectsAlone) {
  Start();
  const int32_t lower = AddPlaced(kRed, {0, 0, 100, 100});
  AddPlaced(kGreen, {200, 0, 300, 100});
  sink.Take(0);
  compositor->PreviewMouse(TRUE, WM_LBUTTONDOWN, 20, 20);
  compositor->PreviewMouse(TRUE, WM_MOUSEMOVE, 40, 40);
  EXPECT_FALSE(compositor->IsEditing());
  EXPECT_NE(compositor->GetSelectedEffect(), lower);
  EXPECT_TRUE(SameRect(RectOf(lower), {0, 0, 100, 100}));
  EXPECT_THAT(sink.Take(WM_ENGINE_EVENT), IsEmpty());
}

}  // namespace
