// The frame element base: defaults, the play states, the clock that does not count paused
// time, the owner's notifications, and the filter rectangle clipping.
#include "engine/elements/FrameElement.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "EngineTestSupport.h"
#include "engine/base/DibSurface.h"
#include "engine/effects/Effect.h"

namespace {

using test_support::FakeEffectHost;
using test_support::ScopedFakeClock;
using ::testing::ElementsAre;

// The smallest element: a source without picture or properties.
class CTestElement : public CFrameElement {
 public:
  explicit CTestElement(int* destroyed = nullptr) : m_destroyed(destroyed) {}
  HRESULT GetProperty(int32_t, std::string&) override { return E_FAIL; }
  HRESULT SetProperty(int32_t, const std::string&) override { return E_FAIL; }
  HRESULT Load(CPackageFile*) override { return S_OK; }
  HRESULT Open(const std::string&) override { return S_OK; }
  HRESULT Save(CPackageFile*) override { return S_OK; }
  HRESULT LockFrame(CFrameContext*, CFrameLock*) override { return S_OK; }
  HRESULT UnlockFrame() override { return S_OK; }
  HRESULT Render(CFrameContext*, const RECT&) override { return E_FAIL; }
  BOOL IsFilter() override { return FALSE; }
  HRESULT GetSize(int32_t* w, int32_t* h) override {
    *w = *h = 0;
    return S_OK;
  }

 protected:
  ~CTestElement() override {
    if (m_destroyed) ++*m_destroyed;
  }

 private:
  int* m_destroyed;
};

struct ElementDeleter {
  void operator()(IFrameElement* e) const { e->Release(); }
};
using ElementPtr = std::unique_ptr<CTestElement, ElementDeleter>;

int32_t Position(IFrameElement& e) {
  int32_t position = -99, duration = -99;
  EXPECT_EQ(e.GetTime(&position, &duration), S_OK);
  return position;
}

TEST(FrameElement, NewElementHasTheBaseDefaults) {
  ElementPtr e(new CTestElement());
  EXPECT_EQ(e->GetState(), STATE_STOPPED);
  int32_t position = -99, duration = -99;
  EXPECT_EQ(e->GetTime(&position, &duration), S_OK);
  EXPECT_EQ(position, 0);
  EXPECT_EQ(duration, -1);
  EXPECT_EQ(e->GetVolume(), 50);
  EXPECT_FALSE(e->GetMute());
  EXPECT_EQ(e->GetFlags(), 1);
  EXPECT_FALSE(e->IsFinished());
  EXPECT_EQ(e->GetSourcePath(), "");
  EXPECT_EQ(e->GetOwner(), nullptr);
  EXPECT_EQ(e->OnIdle(), S_OK);
  EXPECT_EQ(e->MouseInput(WM_LBUTTONDOWN, 1, 2), S_OK);
  EXPECT_EQ(e->SetFrameSize(320, 240), S_OK);
  EXPECT_EQ(e->AnnounceProperties(), S_OK);
  EXPECT_EQ(e->NotifyChange(1234), S_OK) << "no owner: nothing to tell";
}

TEST(FrameElement, PlayPauseAndStopSayWhetherTheyChangedAnything) {
  ScopedFakeClock clock;
  ElementPtr e(new CTestElement());
  EXPECT_EQ(e->Pause(), S_FALSE) << "pause while stopped";
  EXPECT_EQ(e->Stop(), S_FALSE) << "stop while stopped";
  EXPECT_EQ(e->Play(), S_OK);
  EXPECT_EQ(e->Play(), S_FALSE) << "already playing";
  EXPECT_EQ(e->GetState(), STATE_PLAYING);
  EXPECT_EQ(e->Pause(), S_OK);
  EXPECT_EQ(e->GetState(), STATE_PAUSED);
  EXPECT_EQ(e->Pause(), S_FALSE);
  EXPECT_EQ(e->Play(), S_OK);
  EXPECT_EQ(e->Stop(), S_OK);
  EXPECT_EQ(e->GetState(), STATE_STOPPED);
  EXPECT_EQ(e->Play(), S_OK);
  EXPECT_EQ(e->Pause(), S_OK);
  EXPECT_EQ(e->Stop(), S_OK) << "paused elements stop too";
}

TEST(FrameElement, ClockCountsOnlyPlayingTimeAndKeepsThePositionOnStop) {
  ScopedFakeClock clock;
  ElementPtr e(new CTestElement());
  clock.Advance(5000);
  EXPECT_EQ(Position(*e), 0) << "a stopped clock does not advance";
  e->Play();
  clock.Advance(300);
  EXPECT_EQ(Position(*e), 300);
  e->Pause();
  clock.Advance(1000);
  EXPECT_EQ(Position(*e), 300);
  e->Play();
  clock.Advance(200);
  e->Stop();
  clock.Advance(700);
  EXPECT_EQ(Position(*e), 500);
  e->Play();
  clock.Advance(100);
  EXPECT_EQ(Position(*e), 600) << "play after stop continues from the old position";
  e->SetPosition(50);
  clock.Advance(25);
  EXPECT_EQ(Position(*e), 75);
}

TEST(FrameElement, FinishesWhenTheClockReachesTheDurationAndAgainAfterPlay) {
  ScopedFakeClock clock;
  ElementPtr e(new CTestElement());
  e->SetDuration(1000);
  e->Play();
  clock.Advance(999);
  EXPECT_EQ(Position(*e), 999);
  EXPECT_EQ(e->GetState(), STATE_PLAYING);
  clock.Advance(2);
  EXPECT_EQ(e->Pause(), S_FALSE) << "the clock step inside pause finishes it";
  EXPECT_EQ(e->GetState(), STATE_FINISHED);
  EXPECT_TRUE(e->IsFinished());

  EXPECT_EQ(e->Play(), S_OK);
  EXPECT_EQ(e->GetState(), STATE_PLAYING);
  clock.Advance(1);
  Position(*e);
  EXPECT_EQ(e->GetState(), STATE_FINISHED) << "its position is still past the duration";

  e->SetPosition(0);  // moved back while finished: the next run lasts its duration again
  e->Play();
  clock.Advance(500);
  Position(*e);
  EXPECT_EQ(e->GetState(), STATE_PLAYING);
  EXPECT_EQ(e->Stop(), S_OK);
  EXPECT_EQ(e->Stop(), S_FALSE);
}

TEST(FrameElement, PlayOfAnElementThatJustFinishedStartsItAgain) {
  ScopedFakeClock clock;
  ElementPtr e(new CTestElement());
  e->SetDuration(100);
  e->Play();
  clock.Advance(150);
  EXPECT_EQ(e->Play(), S_OK);
  EXPECT_EQ(e->GetState(), STATE_PLAYING);
}

TEST(FrameElement, EndlessDurationNeverFinishes) {
  ScopedFakeClock clock;
  ElementPtr e(new CTestElement());
  e->Play();
  clock.Advance(0x7FFFFFF0u);
  clock.Advance(0x7FFFFFF0u);
  EXPECT_EQ(Position(*e), INT32_MAX) << "the position stops at the largest value";
  EXPECT_EQ(e->GetState(), STATE_PLAYING);
}

TEST(FrameElement, SetVolumeClearsMute) {
  ElementPtr e(new CTestElement());
  e->SetMute(TRUE);
  EXPECT_TRUE(e->GetMute());
  EXPECT_EQ(e->SetVolume(30), S_OK);
  EXPECT_EQ(e->GetVolume(), 30);
  EXPECT_FALSE(e->GetMute());
  e->SetFlags(0);
  EXPECT_EQ(e->GetFlags(), 0);
}

TEST(FrameElement, ReleaseDestroysTheElement) {
  int destroyed = 0;
  IFrameElement* e = new CTestElement(&destroyed);
  e->Release();
  EXPECT_EQ(destroyed, 1);
}

TEST(FrameElement, OwnerHearsOfChangesAndPlayTurnsRefreshOff) {
  FakeEffectHost host;
  CEffect owner;
  owner.SetHost(&host);
  owner.SetMainSource(TRUE);
  owner.SetId(-1);
  ElementPtr e(new CTestElement());
  EXPECT_EQ(e->SetOwner(&owner), S_OK);
  EXPECT_EQ(e->GetOwner(), &owner);
  e->NotifyChange(0x4242);
  EXPECT_THAT(host.PropertiesOf(-1), ElementsAre(0x4242));
  e->Play();
  EXPECT_THAT(host.refreshEnabled, ElementsAre(FALSE));
}

TEST(FrameElement, ClipToPictureKeepsFiltersInsideThePicture) {
  CDibSurface picture;
  ASSERT_TRUE(picture.Create(320, 240, 24));
  struct Case {
    RECT in;
    RECT out;
    bool drawable;
  };
  const Case cases[] = {
      {{-10, -10, 5000, 5000}, {0, 0, 320, 240}, true},
      {{10, 20, 30, 40}, {10, 20, 30, 40}, true},
      {{300, 230, 330, 250}, {300, 230, 320, 240}, true},
      {{400, 0, 500, 10}, {400, 0, 320, 10}, false},
      {{10, 10, 10, 50}, {10, 10, 10, 50}, false},
      {{-50, -50, -1, -1}, {0, 0, -1, -1}, false},
  };
  for (const Case& c : cases) {
    RECT r = c.in;
    EXPECT_EQ(ClipToPicture(r, picture), c.drawable);
    EXPECT_EQ(r.left, c.out.left);
    EXPECT_EQ(r.top, c.out.top);
    EXPECT_EQ(r.right, c.out.right);
    EXPECT_EQ(r.bottom, c.out.bottom);
  }
}

}  // namespace
