// The compositor's effect lists: module ids, adding with de-duplication and kinds,
// removing, selecting, listing, sorting by kind, reordering, and the WM_ENGINE_EVENT posts
// that tell the program about it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CompositorSupport.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"

namespace {

using test_support::CompositorTest;
using test_support::Posted;

using EffectLists = CompositorTest;

const Posted kChanged = {WM_ENGINE_EVENT, 0, 0};
const Posted kSelectionChanged = {WM_ENGINE_EVENT, 0, 1};

// The user effects' ids in list order.
std::vector<int32_t> Ids(CEffectCompositor& c) {
  std::vector<std::string> texts;
  c.GetEffectList(texts, nullptr);
  std::vector<int32_t> ids;
  for (size_t i = 4; i < texts.size(); i += 6) ids.push_back(std::stoi(texts[i]));
  return ids;
}

TEST_F(EffectLists, ModuleIdsAddressMainSourceBoardLayersAndUserEffects) {
  Start();
  const int32_t user = AddColour(0x123456);
  CMutexLock lock(compositor->GetLock(), INFINITE);
  EXPECT_EQ(compositor->FindModule(-1), compositor->GetMainSource());
  EXPECT_EQ(compositor->FindModule(-2), compositor->GetDrawingBoard());
  EXPECT_EQ(compositor->FindModule(-2)->GetId(), -3) << "the board notifies as -3";
  ASSERT_NE(compositor->FindModule(user), nullptr);
  EXPECT_EQ(compositor->FindModule(user)->GetId(), user);
  for (int32_t none : {0, -3, -4, -15, user + 1, INT32_MAX, INT32_MIN, -16 - 64, -16 - 1000000}) {
    EXPECT_EQ(compositor->FindModule(none), nullptr) << none;
  }
  EXPECT_EQ(compositor->GetLayerCount(), 0u) << "ids beyond the bound make no layers";
  EXPECT_NE(compositor->FindModule(-16 - 63), nullptr);
  EXPECT_EQ(compositor->GetLayerCount(), 64u);
}

TEST_F(EffectLists, ReadingLayerMinus20MakesFiveLayersWithThePresetCycle) {
  Start();
  EXPECT_EQ(Property(-20, PROP_LAYOUT_KEEP_ASPECT), "1");
  {
    CMutexLock lock(compositor->GetLock(), INFINITE);
    EXPECT_EQ(compositor->GetLayerCount(), 5u);
  }
  // Presets 4, 2, 1, 3, 5: bottom-right, bottom-left, top-left, top-right quarter, centre.
  const struct {
    int32_t module;
    const char* x;
    const char* y;
  } layers[] = {
      {-16, "52", "52"}, {-17, "2", "52"}, {-18, "2", "2"}, {-19, "52", "2"}, {-20, "27", "27"}};
  for (const auto& l : layers) {
    SCOPED_TRACE(l.module);
    EXPECT_EQ(Property(l.module, PROP_LAYOUT_X), l.x);
    EXPECT_EQ(Property(l.module, PROP_LAYOUT_Y), l.y);
    CMutexLock lock(compositor->GetLock(), INFINITE);
    EXPECT_EQ(compositor->FindModule(l.module)->GetId(), l.module);
    EXPECT_TRUE(compositor->FindModule(l.module)->IsStarted());
  }
}

TEST_F(EffectLists, UnknownModulesFailAndPostNothing) {
  Start();
  std::string value = "kept";
  EXPECT_EQ(compositor->GetProperty(7, PROP_EFFECT_NAME, value), E_FAIL);
  EXPECT_EQ(value, "kept");
  EXPECT_EQ(compositor->SetProperty(-5, PROP_EFFECT_NAME, "x"), E_FAIL);
  EXPECT_EQ(compositor->SelectEffect(7), E_FAIL);
  EXPECT_EQ(compositor->RemoveEffect(7), E_FAIL);
  EXPECT_EQ(compositor->SetEffectOnTop(7, TRUE), E_FAIL);
  EXPECT_EQ(compositor->OpenElementFile(0, "@color:0x10"), E_FAIL);
  EXPECT_EQ(compositor->DrawElementFrame(-3, nullptr, 0, 0, 1, 1), E_FAIL);
  EXPECT_EQ(compositor->SaveEffect(9, nullptr, nullptr, nullptr, "C:\\x.efc"), E_FAIL);
  EXPECT_TRUE(sink.Take(WM_ENGINE_EVENT).empty());
  EXPECT_TRUE(sink.Take(WM_ENGINE_PROPERTY_CHANGED).empty());
}

TEST_F(EffectLists, AddingSelectsTheNewEffectLastWithTheNextIdAndItsTexts) {
  Start();
  ASSERT_EQ(compositor->AddEffect("@color:0x000010", "Multi", "Colours", "Dark red"), S_OK);
  EXPECT_EQ(sink.Take(WM_ENGINE_EVENT), (std::vector<Posted>{kSelectionChanged}));
  ASSERT_EQ(compositor->AddEffect("@color:0x000020", "Multi", nullptr, nullptr), S_OK);
  ASSERT_EQ(compositor->AddEffect("@color:0x000030", nullptr, nullptr, "Third"), S_OK);

  std::vector<std::string> texts;
  int selected = -2;
  compositor->GetEffectList(texts, &selected);
  EXPECT_EQ(texts,
            (std::vector<std::string>{"@color:0x000010", "Dark red", "Colours", "Multi", "1", "0",
                                      "@color:0x000020", "Unknow", "Misc", "Multi", "2", "0",
                                      "@color:0x000030", "Third", "Misc", "Frame", "3", "0"}));
  EXPECT_EQ(selected, 2);
  EXPECT_EQ(compositor->GetSelectedEffect(), 3);
  EXPECT_EQ(compositor->AddEffect(nullptr, nullptr, nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(Ids(*compositor), (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(EffectLists, AddingTheSameFileAgainKeepsOneWithANewIdSelectedAndLast) {
  Start();
  AddColour(0x000010);
  AddColour(0x000020);
  ASSERT_EQ(compositor->SelectEffect(1), S_OK);
  ASSERT_EQ(compositor->AddEffect("@COLOR:0x000010", "Multi", nullptr, nullptr), S_OK)
      << "paths compare without regard to case";
  EXPECT_EQ(Ids(*compositor), (std::vector<int32_t>{2, 3}));
  EXPECT_EQ(compositor->GetSelectedEffect(), 3);
}

TEST_F(EffectLists, KindNotFlaggedMultipleReplacesEveryEffectOfItsKindInAnyCase) {
  Start();
  AddColour(0x000010, "Frame");
  AddColour(0x000020, "Multi");
  AddColour(0x000030, "FRAME");
  EXPECT_EQ(Ids(*compositor), (std::vector<int32_t>{2, 3}));
  AddColour(0x000040, "frame");
  EXPECT_EQ(Ids(*compositor), (std::vector<int32_t>{2, 4}));

  EXPECT_TRUE(compositor->GetKindMultiple("MULTI"));
  EXPECT_FALSE(compositor->GetKindMultiple("Frame"));
  ASSERT_EQ(compositor->SetKindMultiple("fRaMe", TRUE), S_OK);
  EXPECT_TRUE(compositor->GetKindMultiple("Frame"));
  AddColour(0x000050, "Frame");
  EXPECT_EQ(Ids(*compositor), (std::vector<int32_t>{2, 4, 5}));
  ASSERT_EQ(compositor->SetKindMultiple("Frame", -1), S_OK);  // the program's true
  EXPECT_EQ(compositor->GetKindMultiple("Frame"), TRUE);
}

TEST_F(EffectLists, RemovingTheSelectedEffectSelectsItsNeighbour) {
  Start();
  for (DWORD c : {0x10, 0x20, 0x30, 0x40}) AddColour(c);
  sink.Take(0);
  ASSERT_EQ(compositor->SelectEffect(3), S_OK);
  EXPECT_EQ(sink.Take(WM_ENGINE_EVENT), (std::vector<Posted>{kChanged}));

  ASSERT_EQ(compositor->RemoveEffect(3), S_OK);
  EXPECT_EQ(compositor->GetSelectedEffect(), 2) << "the one before it";
  EXPECT_EQ(sink.Take(WM_ENGINE_EVENT), (std::vector<Posted>{kChanged}));
  ASSERT_EQ(compositor->SelectEffect(1), S_OK);
  ASSERT_EQ(compositor->RemoveEffect(1), S_OK);
  EXPECT_EQ(compositor->GetSelectedEffect(), 2) << "the first one: the one after it";
  ASSERT_EQ(compositor->RemoveEffect(4), S_OK);
  EXPECT_EQ(compositor->GetSelectedEffect(), 2) << "not selected: the selection stays";
  ASSERT_EQ(compositor->RemoveEffect(2), S_OK);
  EXPECT_EQ(compositor->GetSelectedEffect(), 0) << "the only one: no selection";
  EXPECT_EQ(compositor->RemoveEffect(2), E_FAIL);
}

TEST_F(EffectLists, RemovalsPostWhetherTheSelectionChanged) {
  Start();
  const int32_t a = AddColour(0x10, "Multi");
  const int32_t b = AddColour(0x20, "Other");
  ASSERT_EQ(compositor->SetProperty(a, PROP_EFFECT_BACKGROUND, "1"), S_OK);
  const int32_t c = AddColour(0x30, "Multi");
  sink.Take(0);

  EXPECT_EQ(compositor->RemoveEffectsOfKind("OTHER"), S_FALSE);
  EXPECT_EQ(sink.Take(WM_ENGINE_EVENT), (std::vector<Posted>{kChanged})) << b << " not selected";
  EXPECT_EQ(compositor->RemoveEffectByPath("@color:0x000099"), S_FALSE);
  EXPECT_EQ(sink.Take(WM_ENGINE_EVENT), (std::vector<Posted>{kChanged}));
  EXPECT_EQ(compositor->RemoveEffectByPath("@COLOR:0x000030"), S_OK);
  EXPECT_EQ(sink.Take(WM_ENGINE_EVENT), (std::vector<Posted>{kSelectionChanged})) << c;
  EXPECT_EQ(compositor->GetSelectedEffect(), a);
  EXPECT_EQ(compositor->RemoveBackgroundEffects(), S_FALSE);
  EXPECT_EQ(sink.Take(WM_ENGINE_EVENT), (std::vector<Posted>{kSelectionChanged}));
  EXPECT_TRUE(Ids(*compositor).empty());

  AddColour(0x40);
  AddColour(0x50);
  sink.Take(0);
  EXPECT_EQ(compositor->ClearEffects(), S_OK);
  EXPECT_EQ(sink.Take(WM_ENGINE_EVENT), (std::vector<Posted>{kSelectionChanged}));
  EXPECT_TRUE(Ids(*compositor).empty());
  EXPECT_EQ(compositor->GetSelectedEffect(), 0);
}

TEST_F(EffectLists, OnTopIsListedAndPosted) {
  Start();
  const int32_t a = AddColour(0x10);
  sink.Take(0);
  ASSERT_EQ(compositor->SetEffectOnTop(a, TRUE), S_OK);
  EXPECT_EQ(sink.Take(WM_ENGINE_EVENT), (std::vector<Posted>{kChanged}));
  std::vector<std::string> texts;
  compositor->GetEffectList(texts, nullptr);
  ASSERT_EQ(texts.size(), 6u);
  EXPECT_EQ(texts[5], "1");
}

TEST_F(EffectLists, ReorderMovesTheIndexedEffectsByTheDelta) {
  const struct {
    const char* moves;
    std::vector<int32_t> order;
    bool posted;
  } cases[] = {
      {"1|0", {2, 1, 3, 4, 5}, true},
      {"-1|3|1", {2, 1, 4, 3, 5}, true},  // the one at 1 first
      {"2|0|1", {3, 4, 1, 2, 5}, true},   // downwards: the last index first
      {"0|1", {1, 2, 3, 4, 5}, false},
      {"-3|1", {2, 1, 3, 4, 5}, true},  // above the first place: the first place
      {"-2147483648|4", {5, 1, 2, 3, 4}, true},
      {"9|0", {2, 3, 4, 5, 1}, true},
      {"2147483647|3", {1, 2, 3, 5, 4}, true},
      {"1|7|-1|x", {1, 2, 3, 4, 5}, true},  // no valid index
      {"", {1, 2, 3, 4, 5}, false},         // one empty item: delta 0
      {"abc|0", {1, 2, 3, 4, 5}, false},    // no number: delta 0
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.moves);
    Start();
    for (DWORD colour : {0x10, 0x20, 0x30, 0x40, 0x50}) AddColour(colour);
    sink.Take(0);
    ASSERT_EQ(compositor->Reorder(c.moves), S_OK);
    EXPECT_EQ(Ids(*compositor), c.order);
    EXPECT_EQ(sink.Take(WM_ENGINE_EVENT),
              c.posted ? std::vector<Posted>{kChanged} : std::vector<Posted>{});
  }
}

TEST_F(EffectLists, SortByKindIsStableAndPutsKindsWithoutRankLast) {
  Start();
  compositor->SetKindOrder(
      {"Background", "Transform", "Mask", "Frame", "Emotion", "Text", "Favorites"});
  for (const char* kind : {"Text", "Frame", "Frame", "Background"})
    ASSERT_EQ(compositor->SetKindMultiple(kind, TRUE), S_OK);
  AddColour(0x10, "Text");        // 1
  AddColour(0x20, "Frame");       // 2
  AddColour(0x30, "Unranked");    // 3
  AddColour(0x40, "frame");       // 4
  AddColour(0x50, "BACKGROUND");  // 5
  sink.Take(0);
  ASSERT_EQ(compositor->SetSortByKind(TRUE), S_OK);
  EXPECT_EQ(Ids(*compositor), (std::vector<int32_t>{5, 2, 4, 1, 3}));
  EXPECT_EQ(sink.Take(WM_ENGINE_EVENT).size(), 1u);

  // While sorting is on, additions are sorted in: a Text effect added before a Background
  // effect ends up after it.
  AddColour(0x60, "Background");  // 6
  EXPECT_EQ(Ids(*compositor), (std::vector<int32_t>{5, 6, 2, 4, 1, 3}));

  // Reordering switches sorting off.
  ASSERT_EQ(compositor->Reorder("-1|3"), S_OK);
  AddColour(0x70, "Background");  // 7
  EXPECT_EQ(Ids(*compositor), (std::vector<int32_t>{5, 6, 4, 2, 1, 3, 7}));
}

TEST_F(EffectLists, SortingWithoutKindOrderKeepsTheList) {
  Start();
  for (DWORD colour : {0x10, 0x20, 0x30}) AddColour(colour);
  ASSERT_EQ(compositor->SetSortByKind(TRUE), S_OK);
  EXPECT_EQ(Ids(*compositor), (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(EffectLists, SavedEffectFileLoadsBackWithItsTextsAndSource) {
  Start();
  const int32_t id = AddColour(0x00C080);
  const std::string path = GetTempFolder() + "tavisco lists test\\saved.efc";
  sink.Take(0);
  ASSERT_EQ(compositor->SaveEffect(id, "Multi", "Mine", "Teal", path.c_str()), S_OK);
  EXPECT_EQ(sink.Take(WM_ENGINE_EVENT), (std::vector<Posted>{kChanged}));
  ASSERT_EQ(compositor->RemoveEffect(id), S_OK);

  ASSERT_EQ(compositor->AddEffect(path.c_str(), nullptr, nullptr, nullptr), S_OK);
  std::vector<std::string> texts;
  compositor->GetEffectList(texts, nullptr);
  ASSERT_EQ(texts.size(), 6u);
  EXPECT_EQ(texts[1], "Teal");
  EXPECT_EQ(texts[2], "Mine");
  EXPECT_EQ(texts[3], "Multi");
  EXPECT_EQ(Property(compositor->GetSelectedEffect(), PROP_COLOR_VALUE), std::to_string(0x00C080));

  ASSERT_EQ(compositor->LoadElementSource(MODULE_MAIN_SOURCE, path), S_OK);
  EXPECT_EQ(Property(MODULE_MAIN_SOURCE, PROP_COLOR_VALUE), std::to_string(0x00C080));
  EXPECT_EQ(Property(MODULE_MAIN_SOURCE, PROP_EFFECT_NAME), "Unknow") << "only the source";
  DeleteFileA(path.c_str());
  RemoveDirectoryA((GetTempFolder() + "tavisco lists test").c_str());
}

}  // namespace
