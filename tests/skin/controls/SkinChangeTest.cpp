// Skin changes as the form frame drives them: every control of a form shows the new
// skin's pixels after a load or a switch and its plain look after the skin is cleared;
// between the two halves of the walk, and after the skin's records are freed, nothing of
// the old skin is read; 500 switches leave the GDI objects and the memory where they were.
// And hostile skins: every control paints something sane and never crashes.
#include <gtest/gtest.h>

#include <functional>

#include "skin/controls/SkinExCtrls.h"
#include "skin/controls/SkinGauge.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinPanels.h"
#include "tests/framework/GdiCount.h"
#include "tests/skin/controls/BaseTestSkin.h"

#include <psapi.h>

namespace {

// Skin B: the nine-part look of skin A with other corner colours.
constexpr TColor kOtherCorner = Rgb(90, 30, 160);

void BuildOtherSkin(TTestSkin& Skin) {
  BuildBaseSkin(Skin);
  Skin.FillRect(0, TRect(20, 0, 25, 5), kOtherCorner);
}

// The skinned controls of this issue, each bound to Data and given a nine-part record of
// the base skin, in one form.
struct TSkinForm {
  TSkinForm(TForm* Form, TspSkinData* Data) {
    auto place = [&](TControl* C, const TRect& R) {
      C->SetParent(Form);
      C->SetBounds(R.Left, R.Top, R.Width(), R.Height());
      Controls.push_back(C);
    };
    auto* custom = new TspSkinCustomControl(Form);
    custom->SetSkinDataName("nine");
    place(custom, TRect(10, 10, 60, 50));
    custom->SetSkinData(Data);
    auto* graphic = new TspGraphicSkinCustomControl(Form);
    graphic->SetSkinDataName("nine");
    place(graphic, TRect(70, 10, 120, 50));
    graphic->SetSkinData(Data);
    auto* panel = new TspSkinPanel(Form);
    panel->SetSkinDataName("nine");
    place(panel, TRect(130, 10, 180, 50));
    panel->SetSkinData(Data);
    auto* whole = new TspSkinPanel(Form);  // the whole-image path
    whole->SetSkinDataName("nine");
    whole->SetBorderPaintMode(false);
    place(whole, TRect(190, 10, 240, 50));
    whole->SetSkinData(Data);
    auto* gauge = new TspSkinGauge(Form);
    gauge->SetSkinDataName("nine");
    place(gauge, TRect(10, 60, 60, 100));
    gauge->SetSkinData(Data);
    Corners = {custom, graphic, panel, whole, gauge};
    const TColor face = TColor(ColorToRGB(clBtnFace));
    const TColor shadow = TColor(ColorToRGB(clBtnShadow));
    Plain = {face, face, shadow, shadow, shadow};  // panels and gauges have a frame
  }
  std::vector<TControl*> Controls;
  std::vector<TControl*> Corners;  // these show the record's top-left corner at (0, 0)
  std::vector<TColor> Plain;       // and this at (0, 0) without a skin
};

SIZE_T PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof(counters);
  K32GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                          sizeof(counters));
  return counters.PrivateUsage;
}

}  // namespace

TEST(SkinChanges, EveryControlFollowsLoadSwitchAndClear) {
  TTestFolder folder;
  TTestSkin a, b;
  BuildBaseSkin(a);
  BuildOtherSkin(b);
  const AnsiString fileA = a.Write(folder, "a");
  const AnsiString fileB = b.Write(folder, "b");
  TOwned<TForm> form(NewTestForm(300, 120));
  TOwned<TspSkinData> data(new TspSkinData(nullptr));
  TSkinForm controls(form.get(), data.get());
  ShowAndPaint(form.get());
  const TColor plain = TColor(-1);
  auto expectCorner = [&](TColor Color, const char* Step) {
    for (size_t i = 0; i < controls.Corners.size(); ++i) {
      TControl* c = controls.Corners[i];
      RepaintNow(c);
      EXPECT_EQ(Color == plain ? controls.Plain[i] : Color, ControlPixel(c, 0, 0))
          << Step << " " << c->ClassName().c_str();
    }
  };
  expectCorner(plain, "before any skin");
  // Between the two halves of the walk the controls paint their plain look.
  int changes = 0;
  FollowSkinChanges(form.get(), [&] {
    ++changes;
    expectCorner(plain, "told before the change");
  });

  ASSERT_TRUE(data->LoadFromCompressedFile(fileA));
  expectCorner(kCornerTL, "after a load");
  ASSERT_TRUE(data->LoadFromCompressedFile(fileB));
  expectCorner(kOtherCorner, "after a switch");
  EXPECT_EQ(2, changes);

  // The records are freed: a paint asked for before the controls are told reads none of
  // them and shows the plain look.
  data->ClearAll();
  expectCorner(plain, "skin cleared, not yet told");
  AfterSkinChange(form.get());
  expectCorner(plain, "after the clear");
  Screenshot(form->GetHandle(), "skin_changes");
}

TEST(SkinChanges, FiveHundredSwitchesKeepGdiObjectsAndMemorySteady) {
  TTestFolder folder;
  TTestSkin a, b;
  BuildBaseSkin(a);
  BuildOtherSkin(b);
  const AnsiString files[2] = {a.Write(folder, "a"), b.Write(folder, "b")};
  TOwned<TForm> form(NewTestForm(300, 120));
  TOwned<TspSkinData> data(new TspSkinData(nullptr));
  TSkinForm controls(form.get(), data.get());
  ShowAndPaint(form.get());
  FollowSkinChanges(form.get());
  auto switchTo = [&](int I) {
    ASSERT_TRUE(data->LoadFromCompressedFile(files[I % 2]));
    form->Update();
  };
  for (int i = 0; i < 20; ++i) switchTo(i);
  PumpFor(20);
  const int gdi = GdiObjectCount();
  const SIZE_T bytes = PrivateBytes();
  for (int i = 0; i < 500; ++i) switchTo(i);
  PumpFor(20);
  EXPECT_LE(GdiObjectCount(), gdi + 4);
  EXPECT_LT(PrivateBytes(), bytes + (SIZE_T(4) << 20));
  RepaintNow(controls.Corners[0]);
  EXPECT_EQ(kOtherCorner, ControlPixel(controls.Corners[0], 0, 0));  // the last one loaded
}

// ---------------------------------------------------------------------------------------
// Hostile skins

namespace {

struct THostileCase {
  const char* Name;
  TSkinKeys Keys;
};

std::vector<THostileCase> HostileRecords() {
  const TSkinKeys nine = NinePartKeys(TRect(20, 0, 50, 30), 5, 5, 5, 5);
  return {
      {"empty skinrect", {{"pictureindex", "0"}, {"skinrect", "0,0,0,0"}}},
      {"huge skinrect", {{"pictureindex", "0"}, {"skinrect", "0,0,2000000000,2000000000"}}},
      {"huge skinrect without picture", {{"skinrect", "0,0,2000000000,2000000000"}}},
      {"skinrect outside the picture", {{"pictureindex", "0"}, {"skinrect", "100,50,400,300"}}},
      {"picture index past the list", With({{"pictureindex", "99"}}, nine)},
      {"mask index past the list",
       With({{"pictureindex", "0"}, {"maskpictureindex", "77"}}, nine)},
      {"empty client rectangle",
       With({{"pictureindex", "0"}, {"skinrect", "20,0,50,30"}, {"lefttoppoint", "5,5"},
             {"righttoppoint", "25,5"}, {"leftbottompoint", "5,25"},
             {"rightbottompoint", "25,25"}},
            {{"clientrect", "5,5,5,5"}})},
      {"reversed client rectangle",
       With({{"pictureindex", "0"}, {"skinrect", "20,0,50,30"}, {"lefttoppoint", "5,5"},
             {"righttoppoint", "25,5"}, {"leftbottompoint", "5,25"},
             {"rightbottompoint", "25,25"}},
            {{"clientrect", "25,25,5,5"}})},
      {"huge client rectangle",
       With({{"pictureindex", "0"}, {"skinrect", "20,0,50,30"}, {"lefttoppoint", "5,5"},
             {"righttoppoint", "25,5"}, {"leftbottompoint", "5,25"},
             {"rightbottompoint", "25,25"}},
            {{"clientrect", "0,0,2000000000,2000000000"}})},
      {"points beyond the part",
       {{"pictureindex", "0"}, {"skinrect", "20,0,50,30"}, {"lefttoppoint", "500,500"},
        {"righttoppoint", "900,1"}, {"leftbottompoint", "1,900"},
        {"rightbottompoint", "2000000000,2000000000"}, {"clientrect", "5,5,25,25"}}},
      {"three parts wider than the part",
       {{"pictureindex", "0"}, {"skinrect", "50,0,80,10"}, {"lefttoppoint", "40,0"},
        {"righttoppoint", "1,0"}}},
      {"stacked parts higher than the part",
       {{"pictureindex", "0"}, {"skinrect", "80,0,90,30"}, {"lefttoppoint", "0,40"},
        {"leftbottompoint", "0,2"}}},
      {"stretch over an empty client",
       With({{"pictureindex", "0"}, {"stretcheffect", "1"}, {"stretchtype", "sthorz"},
             {"skinrect", "20,0,50,30"}, {"lefttoppoint", "5,5"}, {"righttoppoint", "25,5"},
             {"leftbottompoint", "5,25"}, {"rightbottompoint", "25,25"}},
            {{"clientrect", "5,5,5,25"}})},
      {"empty picture", With({{"pictureindex", "1"}}, nine)},
  };
}

using TMaker = std::function<TControl*(TForm*, TspSkinData*, const AnsiString&)>;

template <class T>
TMaker Maker() {
  return [](TForm* Form, TspSkinData* Data, const AnsiString& Name) -> TControl* {
    auto* c = new T(Form);
    c->SetSkinDataName(Name);
    c->SetParent(Form);
    c->SetBounds(10, 10, 60, 40);
    c->SetSkinData(Data);
    return c;
  };
}

}  // namespace

TEST(HostileSkins, EveryControlPaintsWithoutCrashing) {
  TTestFolder folder;
  TTestSkin skin;
  BuildBaseSkin(skin);
  // Picture 1 of that skin is the small mask; "empty picture" names a 1 x 1 picture.
  const int tiny = skin.AddPicture(1, 1, clWhite);
  const std::vector<THostileCase> cases = HostileRecords();
  for (const THostileCase& c : cases) {
    TSkinKeys keys = c.Keys;
    for (auto& kv : keys)
      if (kv.first == "pictureindex" && kv.second == "1") kv.second = IntToStr(tiny);
    skin.AddControl(c.Name, "panel",
                    With(keys, {{"bgpictureindex", IntToStr(tiny)}, {"captionrect", "0,0,30,30"},
                                {"gripperrect", "0,0,900000,900000"},
                                {"framerect", "0,0,900000,12"}}));
    skin.AddControl(AnsiString(c.Name) + " gauge", "gauge",
                    With(keys, {{"progressarea", "0,0,2000000000,2000000000"},
                                {"progressrect", "0,0,0,10"},
                                {"beginoffset", "2000000000"}}));
  }
  // A panel whose background picture has no pixels to repeat, and tool bars of the three
  // kinds whose middle has no width.
  skin.AddControl("no background", "panel",
                  With(NinePartKeys(TRect(20, 0, 50, 30), 5, 5, 5, 5),
                       {{"pictureindex", "0"}, {"bgpictureindex", "99"}}));
  skin.AddControl("no middle", "panel",
                  {{"pictureindex", "0"}, {"skinrect", "50,0,80,10"}, {"lefttoppoint", "15,0"},
                   {"righttoppoint", "15,0"}});
  TOwned<TspSkinData> data(new TspSkinData(nullptr));
  skin.LoadInto(data.get(), folder);
  const std::vector<std::pair<const char*, TMaker>> makers = {
      {"custom", Maker<TspSkinCustomControl>()},  {"graphic", Maker<TspGraphicSkinCustomControl>()},
      {"panel", Maker<TspSkinPanel>()},           {"status bar", Maker<TspSkinStatusBar>()},
      {"tool bar", Maker<TspSkinToolBar>()},      {"gauge", Maker<TspSkinGauge>()},
  };
  std::vector<AnsiString> names;
  for (const THostileCase& c : cases) {
    names.push_back(c.Name);
    names.push_back(AnsiString(c.Name) + " gauge");
  }
  names.push_back("no background");
  names.push_back("no middle");
  TOwned<TForm> form(NewTestForm(200, 120));
  ShowAndPaint(form.get());
  for (const AnsiString& name : names) {
    for (const auto& maker : makers) {
      SCOPED_TRACE(std::string(name.c_str()) + " / " + maker.first);
      TControl* c = maker.second(form.get(), data.get(), name);
      if (auto* panel = dynamic_cast<TspSkinPanel*>(c)) {
        panel->SetCaption("Caption");
        panel->SetCaptionMode(true);
        panel->SetBorderStyle(TspSkinBorderStyle::bvNone);
      }
      if (auto* bar = dynamic_cast<TspSkinStatusBar*>(c)) bar->SetSizeGrip(true);
      RepaintNow(c);
      c->SetBounds(5, 5, 90, 70);
      RepaintNow(c);
      c->SetBounds(5, 5, 3, 2);
      RepaintNow(c);
      EXPECT_LE(c->GetWidth(), kMaxSkinRectExtent);
      EXPECT_LE(c->GetHeight(), kMaxSkinRectExtent);
      c->Free();
    }
  }
}
