// Mouse editing of effects in the preview, on real effects and a host that stands in for
// the compositor: hovering, selecting by a press, dragging each grip, ending the edit, the
// answers to button releases, and an edit whose effect goes away under the held button.
#include "engine/compositor/PreviewEditor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/compositor/GripZone.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"
#include "engine/elements/FrameElement.h"

namespace {

using test_support::FakeEffectHost;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::IsSupersetOf;

struct Rect {
  LONG left, top, right, bottom;
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};
std::ostream& operator<<(std::ostream& os, const Rect& r) {
  return os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
Rect Of(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// The compositor as the editor sees it: lists of effects, a selection and the posts.
class FakeEditHost : public IPreviewEditHost {
 public:
  size_t UserEffectCount() override { return users.size(); }
  CEffect* UserEffectAt(size_t index) override { return users[index].get(); }
  size_t LayerCount() override { return layers.size(); }
  CEffect* LayerAt(size_t index) override { return layers[index].get(); }
  CEffect* GetSelection() override { return selection; }
  void SetSelection(CEffect* effect) override { selection = effect; }
  void PostEffectsChanged(BOOL selectionChanged) override { posts.push_back(selectionChanged); }

  // A user effect with the id placed at the rectangle, appended last.
  CEffect* AddUser(int32_t id, const RECT& rect) {
    users.push_back(MakeEffect(id, rect, true));
    return users.back().get();
  }
  CEffect* AddLayer(int32_t id, const RECT& rect, bool withElement) {
    layers.push_back(MakeEffect(id, rect, withElement));
    return layers.back().get();
  }
  // Takes a user effect out as the compositor removes one: the selection moves to the one
  // before it, else the one after it, else to none; then the effect is deleted.
  void RemoveUser(CEffect* effect) {
    auto it = std::find_if(users.begin(), users.end(),
                           [effect](const auto& e) { return e.get() == effect; });
    ASSERT_NE(it, users.end());
    const size_t i = size_t(it - users.begin());
    if (selection == effect) {
      selection = i >= 1 ? users[i - 1].get() : i + 1 < users.size() ? users[i + 1].get() : nullptr;
    }
    users.erase(it);
  }

  FakeEffectHost effectHost;
  std::vector<std::unique_ptr<CEffect>> users;
  std::vector<std::unique_ptr<CEffect>> layers;
  CEffect* selection = nullptr;
  std::vector<BOOL> posts;

 private:
  std::unique_ptr<CEffect> MakeEffect(int32_t id, const RECT& rect, bool withElement) {
    auto effect = std::make_unique<CEffect>();
    effect->SetHost(&effectHost);
    effect->SetFrameRect({0, 0, 320, 240});
    if (withElement) {
      EXPECT_EQ(effect->SetProperty(PROP_SOURCE_TYPE, std::to_string(ELEMENT_COLOR)), S_OK);
    }
    effect->SetId(id);
    effect->SetRect(rect);
    EXPECT_EQ(Of(effect->GetRect()), Of(rect));
    return effect;
  }
};

HCURSOR SystemCursor(int id) { return LoadCursorA(nullptr, MAKEINTRESOURCEA(id)); }

// Puts the arrow up, so that a cursor the editor leaves alone is seen as the arrow.
void ResetCursor() { SetCursor(SystemCursor(32512)); }

const RECT kBox = {100, 100, 200, 150};

TEST(PreviewEditor, HoveringShowsTheHandOnlyOverAnEffect) {
  FakeEditHost host;
  host.AddUser(1, kBox);
  host.AddLayer(-16, {0, 0, 50, 50}, true);
  host.AddLayer(-17, {250, 0, 300, 50}, false);
  CPreviewEditor editor(host);
  struct Case {
    POINT point;
    bool hand;
  };
  const Case cases[] = {{{150, 120}, true},  {{10, 10}, true},   {{260, 10}, false},
                        {{200, 120}, false}, {{99, 149}, false}, {{100, 149}, true}};
  for (const Case& c : cases) {
    ResetCursor();
    EXPECT_EQ(editor.OnMouse(WM_MOUSEMOVE, c.point.x, c.point.y), 0);
    EXPECT_EQ(GetCursor(), SystemCursor(c.hand ? kCursorHand : 32512))
        << "(" << c.point.x << ", " << c.point.y << ")";
  }
  EXPECT_FALSE(editor.IsEditing());
  EXPECT_EQ(host.selection, nullptr);
  EXPECT_THAT(host.posts, IsEmpty());
}

TEST(PreviewEditor, HitSearchTakesTheLastUserEffectThenTheLastLayerWithAnElement) {
  FakeEditHost host;
  CEffect* first = host.AddUser(1, {0, 0, 100, 100});
  CEffect* second = host.AddUser(2, {50, 50, 150, 150});
  CEffect* lowerLayer = host.AddLayer(-16, {0, 0, 300, 200}, true);
  CEffect* upperLayer = host.AddLayer(-17, {200, 0, 300, 200}, true);
  host.AddLayer(-18, {0, 0, 320, 240}, false);  // no element: never hit
  CPreviewEditor editor(host);
  struct Case {
    POINT point;
    CEffect* hit;
  };
  const Case cases[] = {{{10, 10}, first},        {{75, 75}, second},       {{140, 140}, second},
                        {{250, 100}, upperLayer}, {{180, 100}, lowerLayer}, {{10, 220}, nullptr}};
  for (const Case& c : cases) {
    EXPECT_EQ(editor.FindEffectAt(c.point), c.hit) << "(" << c.point.x << ", " << c.point.y << ")";
  }
}

TEST(PreviewEditor, PressOnAnEffectSelectsItAndStartsTheEdit) {
  FakeEditHost host;
  host.AddUser(1, {0, 0, 50, 50});
  CEffect* target = host.AddUser(2, kBox);
  CPreviewEditor editor(host);

  EXPECT_EQ(editor.OnMouse(WM_LBUTTONDOWN, 195, 145), 0);
  EXPECT_EQ(host.selection, target);
  EXPECT_TRUE(editor.IsEditing());
  EXPECT_TRUE(editor.IsDragging());
  EXPECT_EQ(editor.GetGripZone(), GRIP_BOTTOM_RIGHT);
  EXPECT_EQ(Of(editor.GetStartRect()), Of(kBox));
  EXPECT_EQ(Of(editor.GetCurrentRect()), Of(kBox));
  EXPECT_THAT(host.posts, ElementsAre(TRUE)) << "the selection changed";

  // A second press on the selected effect posts that the selection stayed.
  EXPECT_EQ(editor.OnMouse(WM_LBUTTONUP, 195, 145), 0);
  EXPECT_EQ(editor.OnMouse(WM_LBUTTONDOWN, 150, 120), 0);
  EXPECT_EQ(editor.GetGripZone(), GRIP_MOVE);
  EXPECT_THAT(host.posts, ElementsAre(TRUE, FALSE));
}

TEST(PreviewEditor, PressKeepsTheSelectedEffectWhereItCoversThePoint) {
  FakeEditHost host;
  CEffect* below = host.AddUser(1, kBox);
  CEffect* above = host.AddUser(2, {150, 100, 250, 150});
  host.selection = below;
  CPreviewEditor editor(host);

  editor.OnMouse(WM_LBUTTONDOWN, 160, 120);  // inside both
  EXPECT_EQ(host.selection, below);
  EXPECT_THAT(host.posts, ElementsAre(FALSE));

  editor.OnMouse(WM_LBUTTONUP, 160, 120);
  editor.OnMouse(WM_LBUTTONDOWN, 220, 120);  // only in the upper one
  EXPECT_EQ(host.selection, above);
  EXPECT_THAT(host.posts, ElementsAre(FALSE, TRUE));
}

TEST(PreviewEditor, PressOnEmptySpaceEndsTheEditKeepsTheSelectionAndPostsNothing) {
  FakeEditHost host;
  CEffect* effect = host.AddUser(1, kBox);
  CPreviewEditor editor(host);
  editor.OnMouse(WM_LBUTTONDOWN, 150, 120);
  editor.OnMouse(WM_LBUTTONUP, 150, 120);
  ASSERT_TRUE(editor.IsEditing());
  host.posts.clear();

  EXPECT_EQ(editor.OnMouse(WM_LBUTTONDOWN, 10, 10), 0);
  EXPECT_FALSE(editor.IsEditing());
  EXPECT_EQ(host.selection, effect);
  EXPECT_THAT(host.posts, IsEmpty());
  // Dragging over the effect afterwards moves nothing.
  editor.OnMouse(WM_MOUSEMOVE, 150, 120);
  EXPECT_EQ(Of(effect->GetRect()), Of(kBox));
  EXPECT_EQ(editor.OnMouse(WM_LBUTTONUP, 150, 120), 1);
}

TEST(PreviewEditor, DraggingEachGripReshapesTheSelectedEffect) {
  struct Case {
    const char* what;
    POINT press, to;
    Rect expected;
  };
  const Case cases[] = {
      {"inside moves", {150, 120}, {170, 110}, {120, 90, 220, 140}},
      {"right edge", {198, 120}, {218, 300}, {100, 100, 220, 150}},
      {"right edge across the left", {198, 120}, {48, 120}, {100, 100, 102, 150}},
      {"right edge onto the left keeps 1", {198, 120}, {98, 120}, {100, 100, 101, 150}},
      {"left edge", {101, 120}, {81, 0}, {80, 100, 200, 150}},
      {"top edge past the bottom", {150, 102}, {150, 200}, {100, 148, 200, 150}},
      {"bottom edge past the top", {150, 148}, {150, 20}, {100, 100, 200, 102}},
      {"bottom-right corner", {195, 145}, {215, 165}, {100, 100, 220, 170}},
      {"bottom-left corner", {105, 145}, {95, 165}, {90, 100, 200, 170}},
      {"top-right corner", {195, 105}, {215, 95}, {100, 90, 220, 150}},
      {"top-left corner", {105, 105}, {85, 95}, {80, 90, 200, 150}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeEditHost host;
    CEffect* effect = host.AddUser(7, kBox);
    CPreviewEditor editor(host);
    editor.OnMouse(WM_LBUTTONDOWN, c.press.x, c.press.y);
    host.posts.clear();
    host.effectHost.notifications.clear();

    // Each step works from the rectangle at the press, not from the previous step.
    EXPECT_EQ(editor.OnMouse(WM_MOUSEMOVE, c.press.x + 3, c.press.y + 1), 0);
    EXPECT_EQ(editor.OnMouse(WM_MOUSEMOVE, c.to.x, c.to.y), 0);
    EXPECT_EQ(Of(effect->GetRect()), c.expected);
    EXPECT_EQ(Of(editor.GetCurrentRect()), c.expected);
    EXPECT_EQ(Of(editor.GetStartRect()), Of(kBox));
    EXPECT_THAT(host.posts, ElementsAre(FALSE, FALSE));
    // The layout now holds pixel positions and sizes, and says so.
    EXPECT_EQ(effect->GetLayout().GetXMode(), PLACE_OFFSET);
    EXPECT_EQ(effect->GetLayout().GetWidthMode(), SIZE_PIXELS);
    EXPECT_THAT(host.effectHost.PropertiesOf(7),
                IsSupersetOf({PROP_LAYOUT_X_MODE, PROP_LAYOUT_Y_MODE, PROP_LAYOUT_X, PROP_LAYOUT_Y,
                              PROP_LAYOUT_WIDTH, PROP_LAYOUT_HEIGHT}));
  }
}

TEST(PreviewEditor, ANarrowedEffectCanStillBeGripped) {
  FakeEditHost host;
  CEffect* effect = host.AddUser(1, kBox);
  CPreviewEditor editor(host);
  editor.OnMouse(WM_LBUTTONDOWN, 198, 120);
  editor.OnMouse(WM_MOUSEMOVE, 98, 120);  // the right edge onto the left one
  editor.OnMouse(WM_LBUTTONUP, 98, 120);
  ASSERT_EQ(Of(effect->GetRect()), (Rect{100, 100, 101, 150}));

  editor.OnMouse(0, 0, 0);
  EXPECT_EQ(editor.FindEffectAt({100, 120}), effect);
  editor.OnMouse(WM_LBUTTONDOWN, 100, 120);
  EXPECT_TRUE(editor.IsEditing());
}

TEST(PreviewEditor, MovingBackToThePressPointChangesNothing) {
  FakeEditHost host;
  CEffect* effect = host.AddUser(1, kBox);
  CPreviewEditor editor(host);
  editor.OnMouse(WM_LBUTTONDOWN, 150, 120);
  host.posts.clear();
  host.effectHost.notifications.clear();
  EXPECT_EQ(editor.OnMouse(WM_MOUSEMOVE, 150, 120), 0);
  EXPECT_THAT(host.posts, IsEmpty());
  EXPECT_THAT(host.effectHost.notifications, IsEmpty());
  EXPECT_EQ(Of(effect->GetRect()), Of(kBox));
}

TEST(PreviewEditor, AfterTheReleaseEdgeCursorsShowUntilTheProgramEndsTheEdit) {
  FakeEditHost host;
  CEffect* effect = host.AddUser(1, kBox);
  CPreviewEditor editor(host);
  editor.OnMouse(WM_LBUTTONDOWN, 150, 120);
  editor.OnMouse(WM_MOUSEMOVE, 160, 130);
  EXPECT_EQ(editor.OnMouse(WM_LBUTTONUP, 160, 130), 0);
  EXPECT_TRUE(editor.IsEditing());
  EXPECT_FALSE(editor.IsDragging());
  const RECT moved = effect->GetRect();
  ASSERT_EQ(Of(moved), (Rect{110, 110, 210, 160}));
  host.posts.clear();

  // Zones of the rectangle as it is now; moves no longer change it.
  struct Case {
    POINT point;
    int cursor;
  };
  // The rectangle is now (110, 110, 210, 160).
  const Case cases[] = {{{205, 135}, kCursorSizeWE},   {{160, 155}, kCursorSizeNS},
                        {{112, 112}, kCursorSizeNWSE}, {{205, 112}, kCursorSizeNESW},
                        {{160, 135}, kCursorSizeAll},  {{10, 10}, 32512}};
  for (const Case& c : cases) {
    ResetCursor();
    EXPECT_EQ(editor.OnMouse(WM_MOUSEMOVE, c.point.x, c.point.y), 0);
    EXPECT_EQ(GetCursor(), SystemCursor(c.cursor)) << c.point.x << ", " << c.point.y;
  }
  EXPECT_EQ(Of(effect->GetRect()), Of(moved));
  EXPECT_THAT(host.posts, IsEmpty());

  EXPECT_EQ(editor.OnMouse(0, 0, 0), 0);
  EXPECT_FALSE(editor.IsEditing());
  EXPECT_EQ(host.selection, effect) << "ending the edit keeps the selection";
  ResetCursor();
  editor.OnMouse(WM_MOUSEMOVE, 160, 135);
  EXPECT_EQ(GetCursor(), SystemCursor(kCursorHand));
}

TEST(PreviewEditor, ButtonReleasesAnswerOneOnlyWhenNothingIsEdited) {
  struct Case {
    bool editing;
    UINT message;
    int32_t result;
  };
  const Case cases[] = {{false, WM_LBUTTONUP, 1},   {true, WM_LBUTTONUP, 0},
                        {false, WM_RBUTTONUP, 1},   {true, WM_RBUTTONUP, 0},
                        {false, WM_RBUTTONDOWN, 0}, {true, WM_MBUTTONUP, 0}};
  for (const Case& c : cases) {
    FakeEditHost host;
    host.AddUser(1, kBox);
    CPreviewEditor editor(host);
    if (c.editing) editor.OnMouse(WM_LBUTTONDOWN, 150, 120);
    EXPECT_EQ(editor.OnMouse(c.message, 150, 120), c.result)
        << std::hex << c.message << (c.editing ? " editing" : "");
  }
}

TEST(PreviewEditor, RemovingTheEditedEffectUnderTheHeldButtonEndsTheEditUntouched) {
  for (bool neighbourLeft : {true, false}) {
    SCOPED_TRACE(neighbourLeft ? "the selection moves to the neighbour" : "nothing is left");
    FakeEditHost host;
    CEffect* other = neighbourLeft ? host.AddUser(1, kBox) : nullptr;
    CEffect* edited = host.AddUser(2, kBox);
    CPreviewEditor editor(host);
    editor.OnMouse(WM_LBUTTONDOWN, 150, 120);
    ASSERT_EQ(host.selection, edited);
    editor.OnMouse(WM_MOUSEMOVE, 160, 120);
    host.posts.clear();
    host.effectHost.notifications.clear();

    host.RemoveUser(edited);
    EXPECT_EQ(editor.OnMouse(WM_MOUSEMOVE, 190, 140), 0);
    EXPECT_FALSE(editor.IsEditing());
    EXPECT_FALSE(editor.IsDragging());
    EXPECT_THAT(host.posts, IsEmpty());
    EXPECT_THAT(host.effectHost.notifications, IsEmpty());
    if (other) {
      EXPECT_EQ(Of(other->GetRect()), Of(kBox));
    }
    EXPECT_EQ(editor.OnMouse(WM_LBUTTONUP, 190, 140), 1);
  }
}

// The program may select another effect while an edit is active (the user picks one in
// the effect list): the edit goes on with the effect it grabbed until the program ends it
// or a press lands on empty space.
TEST(PreviewEditor, SelectingAnotherEffectKeepsTheEditOnTheGrabbedEffect) {
  FakeEditHost host;
  CEffect* other = host.AddUser(1, RECT{0, 0, 50, 50});
  CEffect* edited = host.AddUser(2, kBox);
  CPreviewEditor editor(host);
  editor.OnMouse(WM_LBUTTONDOWN, 150, 120);
  editor.OnMouse(WM_MOUSEMOVE, 160, 120);
  host.posts.clear();

  // Under the held button the drag goes on moving the grabbed effect.
  host.selection = other;
  EXPECT_EQ(editor.OnMouse(WM_MOUSEMOVE, 170, 130), 0);
  EXPECT_TRUE(editor.IsEditing());
  EXPECT_TRUE(editor.IsDragging());
  EXPECT_EQ(Of(edited->GetRect()), (Rect{120, 110, 220, 160}));
  EXPECT_EQ(Of(other->GetRect()), (Rect{0, 0, 50, 50}));
  EXPECT_THAT(host.posts, ElementsAre(FALSE));
  EXPECT_EQ(host.selection, other) << "the program's choice stands";

  // After the release the edge cursors of the edited rectangle keep showing.
  EXPECT_EQ(editor.OnMouse(WM_LBUTTONUP, 170, 130), 0);
  ResetCursor();
  EXPECT_EQ(editor.OnMouse(WM_MOUSEMOVE, 215, 135), 0);
  EXPECT_TRUE(editor.IsEditing());
  EXPECT_EQ(GetCursor(), SystemCursor(kCursorSizeWE));
  EXPECT_EQ(editor.OnMouse(WM_RBUTTONUP, 215, 135), 0) << "still editing";

  EXPECT_EQ(editor.OnMouse(0, 0, 0), 0);
  EXPECT_FALSE(editor.IsEditing());
}

}  // namespace
