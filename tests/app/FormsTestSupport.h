// What the tests of the program's smaller windows share: the engine window's fixture
// with the program's pictures in the test's program folder, and a main window stand-in
// that keeps the preview box and the volume pop-up the way the main window does.
#pragma once

#include "tests/app/EngineWndSupport.h"
#include "tests/framework/ControlTestSupport.h"
#include "tests/framework/FormTestSupport.h"

#include "framework/ActnList.h"

#include "app/FormRules.h"
#include "app/PreviewBoxForm.h"
#include "app/PreviewForm.h"
#include "app/SPTools.h"
#include "app/VolumeForm.h"
#include "engine/effects/PropertyIds.h"

// The main window as far as the preview box and the volume pop-up see it: the preview
// switch with its button and action, the player's volume through the engine window, and
// the box following every show, hide, move and resize.
class TTestMainForm : public TForm {
 public:
  explicit TTestMainForm(TComponent* AOwner) : TForm(AOwner) {
    TComponentLoading loading(this);
    SetName("frmTestMain");
    SetCaption("Lumetra  4.2.0.0");
    SetBorderStyle(bsSizeable);
    SetBounds(400, 250, 300, 400);
    acShowPreview = new TAction(this);
    acShowPreview->SetName("acShowPreview");
    btnShowPreview0 = new TSpeedButton(this);
    btnShowPreview0->SetName("btnShowPreview0");
    btnShowPreview0->SetBounds(8, 8, 28, 28);
    btnShowPreview0->SetParent(this);
    btnVolume = new TSpeedButton(this);
    btnVolume->SetName("btnVolume");
    btnVolume->SetBounds(40, 8, 28, 28);
    btnVolume->SetParent(this);
    OnShow = [this](TObject*) {
      if (Box) Box->MainFormShown();
    };
    OnHide = [this](TObject*) {
      if (Box) Box->MainFormHidden();
    };
    OnResize = [this](TObject*) {
      if (Box) Box->FollowMainForm();
    };
    loading.Finish();
  }

  // The preview switch.
  void SetPreviewVisible(bool On) {
    btnShowPreview0->SetImageIndex(On ? 10 : 11);
    acShowPreview->SetChecked(On);
    if (On == PreviewShown) return;
    PreviewShown = On;
    if (On) {
      if (!Box) {
        Box = new TfrmPreviewBoxForm(Application);
        Box->OnCloseBox = [this](TObject*) { SetPreviewVisible(false); };
        Box->OnMediaSliderChange = [this](TObject*) { ++SliderChanges; };
        Box->OnMediaSliderChanged = [this](TObject*) { ++SliderReleases; };
      }
      Box->AttachToMainForm(this);
      Box->ShowBox(true);
    } else if (Box) {
      Box->ShowBox(false);
    }
    GetSettings()->Write(Setting::MainFormPreviewSize, On);
  }

  // The volume button: the pop-up under it, showing the player's volume.
  void btnVolumeClick() {
    if (!Volume) {
      Volume = new TfrmVolumeForm(this);
      Volume->OnSetVolume = [this](bool Mute, int Value) { SetVolume(Mute, Value); };
    }
    UpdateVolumeButton();
    AnsiString value;
    frmEngineWndLumetra->GetProperty(-1, PROP_PLAYER_VOLUME, value);
    Volume->PopupAt(btnVolume->ClientToScreen(TPoint(0, btnVolume->GetHeight())), SafeStrToInt(value, 0));
  }

  void SetVolume(bool Mute, int Value) {
    if (Mute)
      frmEngineWndLumetra->SetProperty(-1, PROP_PLAYER_MUTE, "1");
    else
      frmEngineWndLumetra->SetProperty(-1, PROP_PLAYER_VOLUME, IntToStr(Value));
    UpdateVolumeButton();
  }

  void UpdateVolumeButton() {
    AnsiString mute, volume;
    frmEngineWndLumetra->GetProperty(-1, PROP_PLAYER_MUTE, mute);
    frmEngineWndLumetra->GetProperty(-1, PROP_PLAYER_VOLUME, volume);
    const bool muted = SafeStrToInt(mute, 0) != 0;
    btnVolume->SetImageIndex(muted ? 6 : 7 + SafeStrToInt(volume, 0) / 34);
    if (Volume) Volume->btnMute->SetTag(muted ? 1 : 0);
  }

  void Dispatch(TMessage& Message) override {
    TForm::Dispatch(Message);
    if (Message.Msg == WM_MOVE && Box) Box->FollowMainForm();
  }

  TAction* acShowPreview = nullptr;
  TSpeedButton* btnShowPreview0 = nullptr;
  TSpeedButton* btnVolume = nullptr;
  bool PreviewShown = false;
  TfrmPreviewBoxForm* Box = nullptr;
  TfrmVolumeForm* Volume = nullptr;
  int SliderChanges = 0;
  int SliderReleases = 0;
};

// A click on the volume pop-up's bar, four fifths along it: the bar pages up from the
// middle (on the input thread).
inline void ClickVolumeBar(HWND Bar) {
  RECT r;
  GetWindowRect(Bar, &r);
  ClickAt(r.left + (r.right - r.left) * 4 / 5, (r.top + r.bottom) / 2);
}

// The engine window with a fake engine over the test's program folder, which holds the
// program's pictures, and the main window stand-in (not shown until a test shows it).
class FormsTest : public EngineWndTest {
 protected:
  void SetUp() override {
    EngineWndTest::SetUp();
    CopyPictures();
  }
  void TearDown() override {
    if (Main) Main->Free();
    Main = nullptr;
    // Forms the tests made as application forms go before the engine window.
    for (int i = Application->GetComponentCount() - 1; i >= 0; --i) {
      TComponent* c = Application->GetComponent(i);
      if (dynamic_cast<TfrmPreviewBoxForm*>(c) || dynamic_cast<TfrmPreviewForm*>(c)) c->Free();
    }
    EngineWndTest::TearDown();
  }

  // The engine window and the main window stand-in it knows as the main window.
  void CreateWindows() {
    Create();
    Main = new TTestMainForm(Application);
    Window->SetMainForm(Main);
  }

  // The pictures of the program beside the test program, copied into the program folder.
  void CopyPictures() {
    ForceDirectories(Program.File("res\\images"));
    TStringList pictures;
    ListFiles(GetExeFolder() + "res\\images\\*.png", &pictures, false);
    for (int i = 0; i < pictures.GetCount(); ++i)
      CopyFileA((GetExeFolder() + "res\\images\\" + pictures.Get(i)).c_str(),
                Program.File("res\\images\\" + pictures.Get(i)).c_str(), FALSE);
  }

  TTestMainForm* Main = nullptr;
};
