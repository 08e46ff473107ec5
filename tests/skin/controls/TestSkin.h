// Skins the skinned-control tests write for themselves: pictures with known colours at
// known rectangles and control records with known geometry, written as a skin folder (an
// ini text and its bitmap files) and packed into a ".skn" file by the skin data toolkit's
// own container writer, then loaded as a program loads a skin file. Also the shared steps
// of the control tests: a form on the display, pixels of a control read off the screen,
// and the skin-change walk a form frame makes over its controls.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "framework/Forms.h"
#include "skin/controls/SkinControl.h"
#include "skin/data/SkinData.h"
#include "tests/framework/FormTestSupport.h"
#include "tests/framework/TestFolder.h"

// An RGB value (red in the low byte).
constexpr TColor Rgb(int R, int G, int B) { return TColor(R | G << 8 | B << 16); }

// The ini text of a rectangle and a point.
AnsiString RectText(const TRect& R);
AnsiString PointText(const TPoint& P);

using TSkinKeys = std::vector<std::pair<AnsiString, AnsiString>>;

// The keys of a nine-part record of a W x H picture part at R with fixed borders of the
// given sizes (points and client rectangle relative to R).
TSkinKeys NinePartKeys(const TRect& R, int Left, int Top, int Right, int Bottom);

class TTestSkin {
 public:
  // A picture of W x H in one colour; its index in the skin's picture list.
  int AddPicture(int W, int H, TColor Fill);
  void FillRect(int Picture, const TRect& R, TColor Color);
  TColor PixelAt(int Picture, int X, int Y) const;
  // A SKINCONTROLS record (name, type word and its keys).
  void AddControl(const AnsiString& Name, const AnsiString& Type, const TSkinKeys& Keys);
  // A key of the skin colours section.
  void SetSkinColor(const AnsiString& Key, TColor Color);

  // Writes the skin folder into Folder (under Name) and packs it into Name + ".skn"
  // there; the ".skn" file's path.
  AnsiString Write(const TTestFolder& Folder, const AnsiString& Name);
  // Writes and loads the skin into Data, as a skin file is loaded.
  void LoadInto(TspSkinData* Data, const TTestFolder& Folder, const AnsiString& Name = "test");

 private:
  struct TPicture {
    int W, H;
    std::vector<TColor> Pixels;
  };
  std::vector<TPicture> FPictures;
  std::vector<std::pair<AnsiString, AnsiString>> FControls;  // name, type
  std::map<AnsiString, TSkinKeys> FSections;
  TSkinKeys FColors;
};

// The shipped default skin loaded into Data.
void LoadDefaultSkin(TspSkinData* Data);

// A form on the display with a plain background colour.
TForm* NewTestForm(int W, int H, TColor Color = Rgb(40, 40, 40));
// Shows the form, lets it paint and waits until the display shows it.
void ShowAndPaint(TForm* Form);
// Repaints the control (windowed: its window; windowless: its part of the parent) and lets
// the display catch up.
void RepaintNow(TControl* Control);
// The colour of a client point of a control, read off the screen.
TColor ControlPixel(TControl* Control, int X, int Y);
// Whether any pixel of the control's area on the screen has the colour.
bool ControlShows(TControl* Control, TColor Color);

// The skin-change walk of a form frame over a form's controls, as the frame will make it:
// before the change every skinned control forgets its record, after it every control reads
// the new skin.
void BeforeSkinChange(TWinControl* Root);
void AfterSkinChange(TWinControl* Root);
// Makes Form walk its controls when the skin data tells the forms of a change, as the form
// frame does: BeforeSkinChange on WM_SKIN_BEFORE_CHANGE (then During, when given, while the
// skin is being replaced), AfterSkinChange on WM_SKIN_CHANGED.
void FollowSkinChanges(TForm* Form, std::function<void()> During = nullptr);
// Loads a skin into Data between the two halves of the walk over Root.
void SwitchSkin(TWinControl* Root, TspSkinData* Data, TTestSkin& Skin, const TTestFolder& Folder,
                const AnsiString& Name);

// A form on the display with skin data that holds the skin Build writes (loaded unless
// Loaded is off), and controls placed on it bound to that skin data.
struct TSkinFormFixture {
  TSkinFormFixture(void (*Build)(TTestSkin&), bool Loaded, int W, int H,
                   TColor Color = Rgb(40, 40, 40))
      : Form(NewTestForm(W, H, Color)), Data(new TspSkinData(nullptr)) {
    Build(Skin);
    if (Loaded) Skin.LoadInto(Data.get(), Folder);
  }
  // A control of class T named "cN", with the record name (when given), on Parent (the
  // form by default), at R, bound to the skin data.
  template <class T>
  T* Add(const TRect& R, const AnsiString& Record = "", TWinControl* Parent = nullptr) {
    auto* c = new T(Form.get());
    c->SetName("c" + IntToStr(++FCount));
    if (!Record.empty()) c->SetSkinDataName(Record);
    c->SetParent(Parent ? Parent : Form.get());
    c->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    c->SetSkinData(Data.get());
    return c;
  }
  void Show() { ShowAndPaint(Form.get()); }

  TTestFolder Folder;
  TTestSkin Skin;
  TOwned<TForm> Form;
  TOwned<TspSkinData> Data;

 private:
  int FCount = 0;
};
