// The program's own default skin as the build draws and packs it: every control and
// object record the skinned parts look for is there, of the class they expect, and its
// rectangles lie in its pictures; the packed file is what the packer makes of the folder.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "skin/data/SPUtils.h"
#include "skin/data/SkinSections.h"
#include "skin/data/SkinStore.h"
#include "tests/framework/TestFolder.h"
#include "tests/skin/data/SkinTestSupport.h"

namespace {

struct TDefaultSkin {
  TspSkinContent Content;
  std::map<AnsiString, TDibImage> Pictures;  // by file name
  TDefaultSkin() {
    TStringList lines;
    lines.LoadFromFile(DefaultSkinFolder() + "Default.ini");
    TMemIniFile ini;
    ini.SetStrings(&lines);
    Content.ReadSkinIni(&ini);
    for (int i = 0; i < Content.ActivePictureNames->GetCount(); ++i)
      Load(Content.ActivePictureNames->Get(i));
    Load(Content.PictureName);
  }
  void Load(const AnsiString& Name) {
    const AnsiString bytes = ReadWholeFile(DefaultSkinFolder() + Name);
    ReadBmpFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), Pictures[Name]);
  }
  const TDibImage& Active(int Index) { return Pictures.at(Content.ActivePictureNames->Get(Index)); }
  template <class T>
  T* Control(const AnsiString& Name) {
    const int index = Content.GetControlIndex(Name);
    return index < 0 ? nullptr : dynamic_cast<T*>(Content.ControlRecords[index]);
  }
  template <class T>
  T* Object(const AnsiString& Name) {
    const int index = Content.GetObjectIndex(Name);
    return index < 0 ? nullptr : dynamic_cast<T*>(Content.ObjectRecords[index]);
  }
};

bool Inside(const TRect& R, const TDibImage& Picture) {
  return R.Left >= 0 && R.Top >= 0 && R.Right <= Picture.Width && R.Bottom <= Picture.Height &&
         R.Right > R.Left && R.Bottom > R.Top;
}

}  // namespace

TEST(DefaultSkin, HasARecordOfTheRightClassForEverySkinNameTheControlsUse) {
  TDefaultSkin skin;
  using Check = bool (*)(TDefaultSkin&, const AnsiString&);
  struct Case {
    const char* name;
    Check has;
  };
  auto button = [](TDefaultSkin& s, const AnsiString& n) {
    return s.Control<TspDataSkinButtonControl>(n) != nullptr;
  };
  auto menuButton = [](TDefaultSkin& s, const AnsiString& n) {
    return s.Control<TspDataSkinMenuButtonControl>(n) != nullptr;
  };
  auto panel = [](TDefaultSkin& s, const AnsiString& n) {
    return s.Control<TspDataSkinPanelControl>(n) != nullptr;
  };
  auto checkRadio = [](TDefaultSkin& s, const AnsiString& n) {
    return s.Control<TspDataSkinCheckRadioControl>(n) != nullptr;
  };
  auto gauge = [](TDefaultSkin& s, const AnsiString& n) {
    return s.Control<TspDataSkinGaugeControl>(n) != nullptr;
  };
  auto trackBar = [](TDefaultSkin& s, const AnsiString& n) {
    return s.Control<TspDataSkinTrackBarControl>(n) != nullptr;
  };
  auto label = [](TDefaultSkin& s, const AnsiString& n) {
    return s.Control<TspDataSkinLabelControl>(n) != nullptr;
  };
  auto scrollBar = [](TDefaultSkin& s, const AnsiString& n) {
    return s.Control<TspDataSkinScrollBarControl>(n) != nullptr;
  };
  auto upDown = [](TDefaultSkin& s, const AnsiString& n) {
    return s.Control<TspDataSkinUpDownControl>(n) != nullptr;
  };
  auto edit = [](TDefaultSkin& s, const AnsiString& n) {
    return s.Control<TspDataSkinEditControl>(n) != nullptr;
  };
  const Case cases[] = {
      {"button", button},
      {"resizebutton", button},
      {"resizetoolbutton", button},
      {"toolbutton", button},
      {"bigtoolbutton", button},
      {"menuitembutton", button},
      {"editbutton", button},
      {"combobutton", button},
      {"htracktoolbutton", button},
      {"vtracktoolbutton", button},
      {"toolmenubutton", menuButton},
      {"toolmenutrackbutton", menuButton},
      {"bigtoolmenubutton", menuButton},
      {"bigtoolmenutrackbutton", menuButton},
      {"panel", panel},
      {"toolpanel", panel},
      {"resizetoolpanel", panel},
      {"bigtoolpanel", panel},
      {"statusbar", panel},
      {"checkbox", checkRadio},
      {"radiobox", checkRadio},
      {"gauge", gauge},
      {"vgauge", gauge},
      {"htrackbar", trackBar},
      {"trackbar", trackBar},
      {"label", label},
      {"menuheader", label},
      {"hscrollbar", scrollBar},
      {"vscrollbar", scrollBar},
      {"bothhscrollbar", scrollBar},
      {"hupdown", upDown},
      {"vupdown", upDown},
      {"edit", edit},
      {"buttonedit", edit},
      {"stdlabel",
       [](TDefaultSkin& s, const AnsiString& n) {
         return s.Control<TspDataSkinStdLabelControl>(n) != nullptr;
       }},
      {"bevel", [](TDefaultSkin& s,
                   const AnsiString& n) { return s.Control<TspDataSkinBevel>(n) != nullptr; }},
      {"listview",
       [](TDefaultSkin& s, const AnsiString& n) {
         return s.Control<TspDataSkinListView>(n) != nullptr;
       }},
      {"tab", [](TDefaultSkin& s,
                 const AnsiString& n) { return s.Control<TspDataSkinTabControl>(n) != nullptr; }},
      {"spinedit",
       [](TDefaultSkin& s, const AnsiString& n) {
         return s.Control<TspDataSkinSpinEditControl>(n) != nullptr;
       }},
      {"slider", [](TDefaultSkin& s,
                    const AnsiString& n) { return s.Control<TspDataSkinSlider>(n) != nullptr; }},
      {"listbox", [](TDefaultSkin& s,
                     const AnsiString& n) { return s.Control<TspDataSkinListBox>(n) != nullptr; }},
      {"combobox",
       [](TDefaultSkin& s, const AnsiString& n) {
         return s.Control<TspDataSkinComboBox>(n) != nullptr;
       }},
      {"mainmenubar",
       [](TDefaultSkin& s, const AnsiString& n) {
         return s.Control<TspDataSkinMainMenuBar>(n) != nullptr;
       }},
      {"menuitem", [](TDefaultSkin& s,
                      const AnsiString& n) { return s.Object<TspDataSkinMenuItem>(n) != nullptr; }},
      {"caption", [](TDefaultSkin& s,
                     const AnsiString& n) { return s.Object<TspDataSkinCaption>(n) != nullptr; }},
  };
  for (const Case& c : cases) EXPECT_TRUE(c.has(skin, c.name)) << c.name;
  EXPECT_EQ(static_cast<int>(skin.Content.ControlRecords.GetCount()),
            static_cast<int>(sizeof(cases) / sizeof(cases[0])) - 2);

  // Names that records give each other.
  EXPECT_TRUE(
      skin.Control<TspDataSkinUpDownControl>(skin.Control<TspDataSkinTabControl>("tab")->UpDown));
  auto* list = skin.Control<TspDataSkinListBox>("listbox");
  for (const AnsiString& bar :
       {list->HScrollBarName, list->VScrollBarName, list->BothHScrollBarName})
    EXPECT_TRUE(skin.Control<TspDataSkinScrollBarControl>(bar)) << bar;
  EXPECT_TRUE(
      skin.Control<TspDataSkinListBox>(skin.Control<TspDataSkinComboBox>("combobox")->ListBoxName));
  EXPECT_TRUE(skin.Control<TspDataSkinPanelControl>(skin.Content.StatusBarName));
  auto* bar = skin.Control<TspDataSkinMainMenuBar>("mainmenubar");
  EXPECT_TRUE(skin.Object<TspDataSkinMainMenuBarItem>(bar->MenuBarItem));
  for (const AnsiString& name :
       {bar->CloseButton, bar->MaxButton, bar->MinButton, bar->SysMenuButton})
    EXPECT_TRUE(skin.Object<TspDataSkinMainMenuBarButton>(name)) << name;
  EXPECT_TRUE(skin.Control<TspDataSkinTrackBarControl>("trackbar")->Vertical);
  EXPECT_FALSE(skin.Control<TspDataSkinTrackBarControl>("htrackbar")->Vertical);
  EXPECT_TRUE(skin.Control<TspDataSkinGaugeControl>("vgauge")->Vertical);
}

TEST(DefaultSkin, DefinesTheFrameCaptionButtonsMenusHintsAndColours) {
  TDefaultSkin skin;
  const TspSkinContent& c = skin.Content;
  EXPECT_EQ("Default", c.SkinName);
  const TDibImage& frame = skin.Pictures.at(c.PictureName);
  EXPECT_TRUE(Inside(c.ClientRect, frame));
  EXPECT_TRUE(Inside(c.CaptionRect, frame));
  EXPECT_NE(c.LeftTopPoint.X, c.RightBottomPoint.X);  // a frame that stretches
  EXPECT_NE(c.LeftTopPoint.Y, c.RightBottomPoint.Y);
  EXPECT_LT(c.LeftTopPoint.X, c.RightTopPoint.X);
  EXPECT_LT(c.LeftTopPoint.Y, c.LeftBottomPoint.Y);

  std::map<TStdCommand, int> commands;
  for (TspDataSkinObject* object : c.ObjectRecords) {
    if (auto* button = dynamic_cast<TspDataSkinStdButton*>(object)) {
      if (dynamic_cast<TspDataSkinMainMenuBarButton*>(object)) continue;
      ++commands[button->Command];
      ASSERT_GE(button->ActivePictureIndex, 0);
      const TDibImage& sheet = skin.Active(button->ActivePictureIndex);
      EXPECT_TRUE(button->SkinRectInAPicture);
      for (const TRect& r :
           {button->SkinRect, button->ActiveSkinRect, button->DownRect, button->InactiveSkinRect})
        EXPECT_TRUE(Inside(r, sheet)) << button->IDName;
      EXPECT_EQ(RectHeight(button->SkinRect), RectHeight(c.CaptionRect)) << button->IDName;
    }
  }
  for (TStdCommand command :
       {cmClose, cmMaximize, cmMinimize, cmSysMenu, cmRollUp, cmMinimizeToTray})
    EXPECT_EQ(1, commands[command]) << int(command);
  auto* maximize = skin.Object<TspDataSkinStdButton>("maxbutton");
  EXPECT_FALSE(IsNullRect(maximize->RestoreRect));

  auto* caption = skin.Object<TspDataSkinCaption>("caption");
  EXPECT_TRUE(caption->DefaultCaption);
  EXPECT_FALSE(IsNullRect(caption->TextRect));

  auto* item = skin.Object<TspDataSkinMenuItem>("menuitem");
  const TDibImage& menus = skin.Active(item->ActivePictureIndex);
  for (const TRect& r : {item->SkinRect, item->ActiveSkinRect, item->DividerRect,
                         item->CheckImageRect, item->RadioImageRect, item->ArrowImageRect})
    EXPECT_TRUE(Inside(r, menus));
  ASSERT_GE(c.PopupWindow->WindowPictureIndex, 0);
  EXPECT_TRUE(Inside(c.PopupWindow->ItemsRect, skin.Active(c.PopupWindow->WindowPictureIndex)));
  ASSERT_GE(c.HintWindow->WindowPictureIndex, 0);
  EXPECT_TRUE(Inside(c.HintWindow->ClientRect, skin.Active(c.HintWindow->WindowPictureIndex)));

  for (TColor colour :
       {c.SkinColors->cBtnFace, c.SkinColors->cBtnText, c.SkinColors->cWindow,
        c.SkinColors->cWindowText, c.SkinColors->cHighLight, c.SkinColors->cHighLightText,
        c.SkinColors->cBtnHighLight, c.SkinColors->cBtnShadow, c.SkinColors->c3DLight,
        c.SkinColors->c3DDkShadow}) {
    EXPECT_NE(0, colour);  // every colour given (none of them is pure black)
    EXPECT_EQ(0, colour & ~0xFFFFFF);
  }
}

TEST(DefaultSkin, EveryControlPictureLiesInsideItsPicture) {
  TDefaultSkin skin;
  for (TspDataSkinControl* record : skin.Content.ControlRecords) {
    if (record->PictureIndex < 0) continue;
    ASSERT_LT(record->PictureIndex, skin.Content.ActivePictureNames->GetCount()) << record->IDName;
    const TDibImage& picture = skin.Active(record->PictureIndex);
    if (!IsNullRect(record->SkinRect))
      EXPECT_TRUE(Inside(record->SkinRect, picture)) << record->IDName;
    if (auto* custom = dynamic_cast<TspDataSkinCustomControl*>(record)) {
      const int w = RectWidth(record->SkinRect), h = RectHeight(record->SkinRect);
      if (!dynamic_cast<TspDataSkinUpDownControl*>(record)) {
        EXPECT_TRUE(Inside(custom->ClientRect, TDibImage{w, h})) << record->IDName;
        EXPECT_LE(custom->RightBottomPoint.X, w) << record->IDName;
        EXPECT_LE(custom->RightBottomPoint.Y, h) << record->IDName;
      }
    }
    if (auto* button = dynamic_cast<TspDataSkinButtonControl*>(record))
      for (const TRect& r :
           {button->ActiveSkinRect, button->DownSkinRect, button->DisabledSkinRect})
        EXPECT_TRUE(Inside(r, picture)) << record->IDName;
    if (auto* bar = dynamic_cast<TspDataSkinScrollBarControl*>(record)) {
      EXPECT_EQ(0, bar->SkinRect.Left);  // at the origin: relative and picture places agree
      for (const TRect& r :
           {bar->ThumbRect, bar->ActiveUpButtonRect, bar->DownDownButtonRect, bar->GlyphRect})
        EXPECT_TRUE(Inside(r, picture)) << record->IDName;
    }
  }
}

TEST(DefaultSkin, ThePackedFileIsThePackersBlockOfTheFolder) {
  struct TSkin {
    TspCompressedStoredSkin* Skin = new TspCompressedStoredSkin(nullptr);
    ~TSkin() { Skin->Free(); }
  } packed, fresh;
  packed.Skin->LoadFromCompressedFile(DefaultSkinFile());
  ASSERT_TRUE(fresh.Skin->CompressFromIni(DefaultSkinFolder() + "Default.ini"));
  TMemoryStream a, b;
  packed.Skin->WriteCompressedData(&a);
  fresh.Skin->WriteCompressedData(&b);
  ASSERT_EQ(a.GetSize(), b.GetSize());
  EXPECT_EQ(0, std::memcmp(a.GetMemory(), b.GetMemory(), size_t(a.GetSize())));

  TspSkinImageBlock block;
  TspSkinContent content;
  ReadStoredSkin(packed.Skin, block, content);
  TDefaultSkin folder;
  EXPECT_EQ(folder.Pictures.at("frame.bmp").Width, block.Picture.Width);
  EXPECT_GT(block.InactivePicture.Width, 0);
  EXPECT_EQ(0, block.Mask.Width);
  ASSERT_EQ(size_t(folder.Content.ActivePictureNames->GetCount()), block.ActivePictures.size());
  for (size_t i = 0; i < block.ActivePictures.size(); ++i)
    EXPECT_EQ(folder.Active(int(i)).Bits, block.ActivePictures[i].Bits) << i;
  EXPECT_EQ(folder.Content.ControlRecords.GetCount(), content.ControlRecords.GetCount());
  EXPECT_EQ(folder.Content.ObjectRecords.GetCount(), content.ObjectRecords.GetCount());
}
