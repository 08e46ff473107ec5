// A form holding one of each control of the framework, a main menu, a popup menu, an
// action list and a timer, built in code the way a stored form is read.
#pragma once

#include "framework/ActnList.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/ImgList.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "tests/framework/FormTestSupport.h"

// A 32-bit bitmap of Width x Height, each pixel given as 0xAARRGGBB by Pixel(x, y).
template <class F>
inline TBitmap* PixelBitmap(int Width, int Height, F&& Pixel) {
  auto* bitmap = new TBitmap;
  bitmap->SetPixelFormat(pf32bit);
  bitmap->SetSize(Width, Height);
  TDibImage dib = bitmap->GetDib();
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      const uint32_t p = Pixel(x, y);
      uint8_t* at = &dib.Bits[(size_t(Height - 1 - y) * size_t(Width) + size_t(x)) * 4];
      at[0] = uint8_t(p), at[1] = uint8_t(p >> 8), at[2] = uint8_t(p >> 16), at[3] = uint8_t(p >> 24);
    }
  bitmap->SetDib(dib);
  return bitmap;
}

// A bitmap of one colour (32-bit, opaque).
inline TBitmap* SolidBitmap(int Width, int Height, TColor Color) {
  const COLORREF rgb = ColorToRGB(Color);
  const uint32_t pixel = 0xFF000000u | (uint32_t(GetRValue(rgb)) << 16) | (uint32_t(GetGValue(rgb)) << 8) | GetBValue(rgb);
  return PixelBitmap(Width, Height, [pixel](int, int) { return pixel; });
}

class TDemoForm : public TForm {
 public:
  explicit TDemoForm(TComponent* AOwner) : TForm(AOwner) {
    TComponentLoading loading(this);
    SetName("DemoForm");
    SetBounds(40, 40, 700, 520);
    SetClientWidth(680);
    SetClientHeight(470);
    SetCaption("Framework controls");

    Images = new TImageList(this);
    Images->SetName("Images");
    const TColor colors[] = {clRed, clLime, clBlue, clYellow, clFuchsia};
    for (TColor c : colors) {
      TOwned<TBitmap> picture(SolidBitmap(16, 16, c));
      Images->Add(picture.get(), nullptr);
    }

    Actions = new TActionList(this);
    Actions->SetName("Actions");
    Actions->SetImages(Images);
    acRefresh = new TAction(this);
    acRefresh->SetName("acRefresh");
    acRefresh->SetCaption("&Refresh");
    acRefresh->SetHint("Refresh the list");
    acRefresh->SetImageIndex(1);
    acRefresh->SetActionList(Actions);
    acRefresh->OnExecute = [this](TObject*) { ++RefreshRuns; };
    acRefresh->OnUpdate = [this](TObject*) { acRefresh->SetEnabled(RefreshAllowed); };
    acOnTop = new TAction(this);
    acOnTop->SetName("acOnTop");
    acOnTop->SetCaption("&Always On Top");
    acOnTop->SetActionList(Actions);
    acOnTop->OnExecute = [this](TObject*) { acOnTop->SetChecked(!acOnTop->GetChecked()); };

    MainMenu = new TMainMenu(this);
    MainMenu->SetName("MainMenu");
    MainMenu->SetImages(Images);
    TMenuItem* file = Item(MainMenu->GetItems(), "miFile", "&File");
    miOpen = Item(file, "miOpen", "&Open...");
    miOpen->SetShortCut(TextToShortCut("Ctrl+O"));
    miOpen->SetImageIndex(2);
    Item(file, "miFileLine", "-");
    miRefresh = Item(file, "miRefresh", "");
    miRefresh->SetAction(acRefresh);
    Item(file, "miExit", "E&xit");
    TMenuItem* view = Item(MainMenu->GetItems(), "miView", "&View");
    miOnTop = Item(view, "miOnTop", "");
    miOnTop->SetAction(acOnTop);
    TMenuItem* source = Item(view, "miSource", "Choose Video &Source");
    const char* sources[] = {"Video File Source", "Camera", "Screen"};
    for (int i = 0; i < 3; ++i) {
      TMenuItem* s = Item(source, ("miSource" + std::to_string(i)).c_str(), sources[i]);
      s->SetRadioItem(true);
      s->SetGroupIndex(1);
      s->SetChecked(i == 0);
    }
    source->GetItem(2)->SetVisible(false);  // hidden, still counted
    Item(MainMenu->GetItems(), "miHelp", "&Help");
    SetMenu(MainMenu);

    Popup = new TPopupMenu(this);
    Popup->SetName("Popup");
    Popup->SetImages(Images);
    TMenuItem* jump = Item(Popup->GetItems(), "pmJump", "&Jump to");
    jump->SetDefault(true);
    jump->SetImageIndex(0);
    Item(Popup->GetItems(), "pmUp", "&Up");
    Item(Popup->GetItems(), "pmDown", "&Down");
    Item(Popup->GetItems(), "pmLine", "-");
    TMenuItem* remove = Item(Popup->GetItems(), "pmRemove", "Remove &Selected");
    remove->SetShortCut(TextToShortCut("Del"));

    Timer = new TTimer(this);
    Timer->SetName("Timer");
    Timer->SetInterval(50);
    Timer->OnTimer = [this](TObject*) { ++Ticks; };

    // Left column.
    Label = Control<TLabel>("Label", 10, 10);
    Label->SetCaption("&Name:");
    Edit = Control<TEdit>("Edit", 90, 8, 150);
    Edit->SetText("Tavisco");
    Label->SetFocusControl(Edit);
    MaskEdit = Control<TMaskEdit>("MaskEdit", 90, 36, 150);
    MaskEdit->SetEditMask("999;0;_");
    MaskEdit->SetText("123");
    IntEdit = Control<TIntEdit>("IntEdit", 90, 64, 70);
    IntEdit->SetMinValue(0);
    IntEdit->SetMaxValue(30);
    Link = Control<TLinkLabel>("Link", 170, 67);
    Link->SetCaption("A link label");
    Button = Control<TButton>("Button", 10, 96, 110);
    Button->SetAction(acRefresh);
    Button->SetDefault(true);
    CheckBox = Control<TCheckBox>("CheckBox", 130, 98, 110);
    CheckBox->SetCaption("Check &box");
    CheckBox->SetChecked(true);
    Radio1 = Control<TRadioButton>("Radio1", 10, 126, 110);
    Radio1->SetCaption("Radio &one");
    Radio2 = Control<TRadioButton>("Radio2", 130, 126, 110);
    Radio2->SetCaption("Radio &two");
    Radio2->SetChecked(true);
    ListBox = Control<TListBox>("ListBox", 10, 152, 110, 90);
    for (const char* s : {"First", "Second", "Third", "Fourth"}) ListBox->GetItems()->Add(s);
    ListBox->SetItemIndex(1);
    ListBox->SetPopupMenu(Popup);
    ComboBox = Control<TComboBox>("ComboBox", 130, 152, 110);
    ComboBox->SetStyle(csDropDownList);
    for (const char* s : {"176x144", "320x240", "352x288", "640x480"}) ComboBox->GetItems()->Add(s);
    ComboBox->SetItemIndex(1);
    Spin = Control<TSpinEdit>("Spin", 130, 182, 110, 22);
    Spin->SetMaxValue(30);
    Spin->SetValue(20);
    Slider = Control<TSlider>("Slider", 130, 208, 110, 36);
    Slider->SetValue(40);
    for (int i = 0; i < 3; ++i) {
      auto* b = Control<TSpeedButton>(("Speed" + std::to_string(i)).c_str(), 10 + i * 32, 250, 30, 32);
      b->SetImageList(Images);
      b->SetImageIndex(i + 2);
      b->SetShowCaption(false);
      b->SetGroupIndex(1);
      Speed[i] = b;
    }
    Speed[1]->SetDown(true);
    Image = Control<TImage>("Image", 110, 250, 32, 32);
    {
      TOwned<TBitmap> picture(SolidBitmap(32, 32, clTeal));
      Image->GetPicture()->SetGraphic(picture.get());
    }
    Bevel = Control<TBevel>("Bevel", 150, 250, 90, 32);
    Bevel->SetShape(bsFrame);

    // Right column: the list view and the pages.
    ListView = Control<TListView>("ListView", 255, 8, 415, 170);
    ListView->SetViewStyle(vsReport);
    ListView->SetRowSelect(true);
    ListView->SetCheckboxes(true);
    ListView->SetMultiSelect(true);
    ListView->SetSmallImages(Images);
    ListView->SetPopupMenu(Popup);
    for (const char* c : {"File", "Size"}) ListView->GetColumns()->Add()->SetCaption(c);
    ListView->GetColumn(0)->SetWidth(280);
    ListView->GetColumn(1)->SetWidth(100);
    const char* files[] = {"1.  clip.avi", "2.  picture.png", "3.  movie.swf"};
    for (int i = 0; i < 3; ++i) {
      TListItem* item = ListView->GetItems()->Add();
      item->SetCaption(files[i]);
      item->GetSubItems()->Add(std::to_string((i + 1) * 120) + " KB");
      item->SetImageIndex(i);
      item->SetChecked(i != 1);
    }
    ListView->GetItems()->GetItem(0)->SetSelected(true);

    Pages = Control<TPageControl>("Pages", 255, 186, 415, 150);
    Sheet1 = new TTabSheet(this);
    Sheet1->SetName("Sheet1");
    Sheet1->SetCaption("Values");
    Sheet1->SetPageControl(Pages);
    Sheet2 = new TTabSheet(this);
    Sheet2->SetName("Sheet2");
    Sheet2->SetCaption("Panel");
    Sheet2->SetPageControl(Pages);
    TrackBar = new TTrackBar(this);
    TrackBar->SetName("TrackBar");
    TrackBar->SetBounds(10, 10, 200, 40);
    TrackBar->SetMaxValue(100);
    TrackBar->SetValue(50);
    TrackBar->SetParent(Sheet1);
    UpDownEdit = new TEdit(this);
    UpDownEdit->SetName("UpDownEdit");
    UpDownEdit->SetBounds(230, 14, 60, 21);
    UpDownEdit->SetParent(Sheet1);
    UpDown = new TUpDown(this);
    UpDown->SetName("UpDown");
    UpDown->SetBounds(290, 14, 17, 21);
    UpDown->SetParent(Sheet1);
    UpDown->SetAssociate(UpDownEdit);
    UpDown->SetPosition(7);
    Panel = new TPanel(this);
    Panel->SetName("Panel");
    Panel->SetCaption("A panel");
    Panel->SetBevelInner(bvLowered);
    Panel->SetBorderWidth(2);
    Panel->SetBounds(10, 10, 200, 60);
    Panel->SetParent(Sheet2);

    Status = Control<TPanel>("Status", 0, 0, 100, 24);
    Status->SetAlign(alBottom);
    Status->SetAlignment(taLeftJustify);
    Status->SetBevelOuter(bvLowered);
    Status->SetCaption("  Ready");
    loading.Finish();
  }

  template <class T>
  T* Control(const char* Name, int Left, int Top, int Width = -1, int Height = -1) {
    T* control = new T(this);
    control->SetName(Name);
    control->SetBounds(Left, Top, Width < 0 ? control->GetWidth() : Width, Height < 0 ? control->GetHeight() : Height);
    control->SetParent(this);
    return control;
  }

  TMenuItem* Item(TMenuItem* Parent, const char* Name, const char* Caption) {
    auto* item = new TMenuItem(this);
    item->SetName(Name);
    item->SetCaption(Caption);
    Parent->Add(item);
    return item;
  }

  TImageList* Images;
  TActionList* Actions;
  TAction* acRefresh;
  TAction* acOnTop;
  TMainMenu* MainMenu;
  TMenuItem* miOpen;
  TMenuItem* miRefresh;
  TMenuItem* miOnTop;
  TPopupMenu* Popup;
  TTimer* Timer;
  TLabel* Label;
  TEdit* Edit;
  TMaskEdit* MaskEdit;
  TIntEdit* IntEdit;
  TLinkLabel* Link;
  TButton* Button;
  TCheckBox* CheckBox;
  TRadioButton* Radio1;
  TRadioButton* Radio2;
  TListBox* ListBox;
  TComboBox* ComboBox;
  TSpinEdit* Spin;
  TSlider* Slider;
  TSpeedButton* Speed[3];
  TImage* Image;
  TBevel* Bevel;
  TListView* ListView;
  TPageControl* Pages;
  TTabSheet* Sheet1;
  TTabSheet* Sheet2;
  TTrackBar* TrackBar;
  TEdit* UpDownEdit;
  TUpDown* UpDown;
  TPanel* Panel;
  TPanel* Status;

  int Ticks = 0;
  int RefreshRuns = 0;
  bool RefreshAllowed = true;
};
