#include "app/PreviewBoxForm.h"

#include <shellapi.h>

#include "app/EngineWnd.h"
#include "app/FormSupport.h"
#include "app/PreviewForm.h"
#include "app/SPTools.h"
#include "app/Settings.h"
#include "framework/Scopes.h"

TfrmPreviewBoxForm::TfrmPreviewBoxForm(TComponent* AOwner) : TForm(AOwner) {
  TComponentLoading loading(this);
  SetName("frmPreviewBoxForm");
  SetCaption("Preview Box");
  // A sizeable frame without icon whose only button is the close box: closing turns the
  // preview switch off.
  SetBorderStyle(bsSizeToolWin);
  SetBorderIcons(TBorderIcons{biSystemMenu});
  SetPosition(poScreenCenter);
  SetClientWidth(320);
  SetClientHeight(270);
  smLanguage = CreateFormLanguage(this);

  pmPreview = new TPopupMenu(this);
  pmPreview->SetName("pmPreview");
  mi100Size = new TMenuItem(this);
  mi100Size->SetName("mi100Size");
  mi100Size->SetCaption("Orign Size");
  mi100Size->OnClick = [this](TObject* Sender) { mi100SizeClick(Sender); };
  pmPreview->GetItems()->Add(mi100Size);
  SetPopupMenu(pmPreview);

  pnSlider0 = new TPanel(this);
  pnSlider0->SetName("pnSlider0");
  pnSlider0->SetCaption("");
  pnSlider0->SetBevelOuter(bvNone);
  pnSlider0->SetBorderWidth(3);
  pnSlider0->SetHeight(30);
  pnSlider0->SetAlign(alBottom);
  pnSlider0->SetParent(this);

  valueMediaSlider = new TSlider(this);
  valueMediaSlider->SetName("valueMediaSlider");
  valueMediaSlider->SetAlign(alClient);
  valueMediaSlider->SetIncrement(100);
  valueMediaSlider->SetShowHint(true);
  valueMediaSlider->OnChange = [this](TObject* Sender) { valueMediaSliderChange(Sender); };
  valueMediaSlider->OnChanged = [this](TObject* Sender) { valueMediaSliderChanged(Sender); };
  valueMediaSlider->SetParent(pnSlider0);

  pnPreview = new TPanel(this);
  pnPreview->SetName("pnPreview");
  pnPreview->SetCaption("");
  pnPreview->SetBevelOuter(bvNone);
  pnPreview->SetColor(clBlack);
  pnPreview->SetAlign(alClient);
  pnPreview->OnResize = [this](TObject* Sender) { pnPreviewResize(Sender); };
  pnPreview->SetParent(this);

  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  OnDestroy = [this](TObject* Sender) { FormDestroy(Sender); };
  OnResize = [this](TObject* Sender) { FormResize(Sender); };
  OnClose = [this](TObject* Sender, TCloseAction& Action) { FormClose(Sender, Action); };
  loading.Finish();
}

void TfrmPreviewBoxForm::FormCreate(TObject*) {
  TFlagScope guard(FGuard);
  // The preview window: an application form docked in pnPreview, filling it.
  frmPreview = new TfrmPreviewForm(Application);
  frmPreview->FreeNotification(this);
  frmPreview->SetParent(pnPreview);
  frmPreview->SetBounds(0, 0, pnPreview->GetClientWidth(), pnPreview->GetClientHeight());
  frmPreview->SetVisible(true);
  FSnapDistance = 10;
  if (TSettings* settings = GetSettings()) {
    // Values from the file are checked: sizes within reason, a side that exists.
    SetClientWidth(StoredBoxSize(settings->Read(Setting::PreviewClientWidth), Setting::PreviewClientWidth.Default));
    SetClientHeight(StoredBoxSize(settings->Read(Setting::PreviewClientHeight), Setting::PreviewClientHeight.Default));
    const TMagnetDock dock =
        StoredMagnetDock(settings->Read(Setting::PreviewMagnetFlag), settings->Read(Setting::PreviewMagnetPos));
    FMagnetSide = dock.Side;
    FMagnetOffset = dock.Offset;
  }
}

void TfrmPreviewBoxForm::FormDestroy(TObject*) {
  // The preview window lives in the box: it goes with it, handing the engine no window.
  if (frmPreview) frmPreview->Free();
}

void TfrmPreviewBoxForm::CreateWnd() {
  TForm::CreateWnd();
  DragAcceptFiles(GetHandle(), TRUE);
}

void TfrmPreviewBoxForm::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove) {
    if (AComponent == frmPreview) frmPreview = nullptr;
    if (AComponent == FMainForm) FMainForm = nullptr;
  }
  TForm::Notification(AComponent, Operation);
}

void TfrmPreviewBoxForm::AttachToMainForm(TForm* MainForm) { ReplaceComponentReference(this, FMainForm, MainForm); }

void TfrmPreviewBoxForm::pnPreviewResize(TObject*) {
  // The preview fills the panel above the slider, so that the whole frame shows.
  if (frmPreview) frmPreview->SetBounds(0, 0, pnPreview->GetClientWidth(), pnPreview->GetClientHeight());
}

void TfrmPreviewBoxForm::FormResize(TObject*) {
  if (TSettings* settings = GetSettings()) {
    settings->Write(Setting::PreviewClientWidth, GetClientWidth());
    settings->Write(Setting::PreviewClientHeight, GetClientHeight());
  }
}

void TfrmPreviewBoxForm::ShowBox(bool On) {
  TFlagScope guard(FGuard);
  FWantVisible = On;
  UpdateVisibility();
  FollowMainForm();
}

void TfrmPreviewBoxForm::UpdateVisibility() {
  const bool show = FWantVisible && FMainForm && FMainForm->GetVisible();
  if (show == GetVisible()) return;
  SetVisible(show);
  if (show && FMainForm->HandleAllocated()) {
    const bool onTop = (GetWindowLongPtrA(FMainForm->GetHandle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    SetStayOnTop(GetHandle(), onTop);
  }
}

void TfrmPreviewBoxForm::PlaceAt(const TPoint& TopLeft) {
  TFlagScope guard(FGuard);
  SetBounds(TopLeft.X, TopLeft.Y, GetWidth(), GetHeight());
}

void TfrmPreviewBoxForm::FollowMainForm() {
  if (!FMainForm || !FMainForm->GetVisible()) return;
  if (FMagnetSide == msNone) {
    DockToMainForm();
    return;
  }
  PlaceAt(MagnetPlace(FMagnetSide, FMagnetOffset, GetWidth(), GetHeight(), FMainForm->GetBoundsRect()));
}

void TfrmPreviewBoxForm::DockToMainForm() {
  if (!FMainForm || FGuard) return;
  TFlagScope guard(FGuard);
  const TMagnetDock dock = FindMagnetDock(GetBoundsRect(), FMainForm->GetBoundsRect(), FSnapDistance);
  FMagnetSide = dock.Side;
  if (dock.Side == msNone) return;
  FMagnetOffset = dock.Offset;
  PlaceAt(MagnetPlace(FMagnetSide, FMagnetOffset, GetWidth(), GetHeight(), FMainForm->GetBoundsRect()));
  if (TSettings* settings = GetSettings()) {
    settings->Write(Setting::PreviewMagnetFlag, FMagnetSide);
    settings->Write(Setting::PreviewMagnetPos, FMagnetOffset);
  }
}

void TfrmPreviewBoxForm::MainFormShown() {
  TFlagScope guard(FGuard);
  UpdateVisibility();
  FollowMainForm();
}

void TfrmPreviewBoxForm::MainFormHidden() {
  TFlagScope guard(FGuard);
  if (GetVisible()) SetVisible(false);
}

void TfrmPreviewBoxForm::UpdateSize() {
  if (!frmEngineWndLumetra) return;
  SetClientWidth(frmEngineWndLumetra->GetStreamWidth());
  SetClientHeight(frmEngineWndLumetra->GetStreamHeight() + pnSlider0->GetHeight());
}

void TfrmPreviewBoxForm::mi100SizeClick(TObject*) { UpdateSize(); }

void TfrmPreviewBoxForm::FormClose(TObject*, TCloseAction&) {
  if (OnCloseBox) OnCloseBox(this);
}

void TfrmPreviewBoxForm::valueMediaSliderChange(TObject* Sender) {
  if (OnMediaSliderChange) OnMediaSliderChange(Sender);
}

void TfrmPreviewBoxForm::valueMediaSliderChanged(TObject* Sender) {
  if (OnMediaSliderChanged) OnMediaSliderChanged(Sender);
  valueMediaSlider->SetHint(MediaSliderHint(valueMediaSlider->GetValue(), valueMediaSlider->GetMaxValue()));
}

void TfrmPreviewBoxForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOVE: WMMove(Message); break;
    case WM_DROPFILES: WMDropFiles(Message); break;
    default: TForm::Dispatch(Message);
  }
}

void TfrmPreviewBoxForm::WMMove(TMessage& Message) {
  TForm::Dispatch(Message);
  DockToMainForm();
}

void TfrmPreviewBoxForm::WMDropFiles(TMessage& Message) { HandleDroppedFiles(this, Message); }
