#include "app/PreviewForm.h"

#include "app/EngineWnd.h"
#include "app/FormRules.h"

TfrmPreviewForm::TfrmPreviewForm(TComponent* AOwner) : TForm(AOwner) {
  TComponentLoading loading(this);
  SetName("frmPreviewForm");
  SetBorderStyle(bsNone);
  SetBorderIcons(TBorderIcons());
  SetColor(clBlack);
  SetClientWidth(320);
  SetClientHeight(240);
  OnShow = [this](TObject* Sender) { FormShow(Sender); };
  OnHide = [this](TObject* Sender) { FormHide(Sender); };
  OnDestroy = [this](TObject* Sender) { FormDestroy(Sender); };
  OnDeactivate = [this](TObject* Sender) { FormDeactivate(Sender); };
  loading.Finish();
}

void TfrmPreviewForm::WndProc(TMessage& Message) {
  if (frmEngineWndLumetra) frmEngineWndLumetra->DoPreviewWndProc(Message);
  TForm::WndProc(Message);
}

void TfrmPreviewForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN: WMLButtonDown(Message); break;
    case WM_LBUTTONUP: WMLButtonUp(Message); break;
    case WM_MOUSEMOVE: WMMouseMove(Message); break;
    case WM_KILLFOCUS: WMKillFocus(Message); break;
  }
  TForm::Dispatch(Message);
}

void TfrmPreviewForm::FormShow(TObject*) { HandToEngine(GetHandle()); }

void TfrmPreviewForm::FormHide(TObject*) { HandToEngine(nullptr); }

void TfrmPreviewForm::FormDestroy(TObject*) {
  // A form hidden with its parent hears no hide of its own: the engine, which paints into
  // this window from its timer thread, must not keep it once it goes.
  if (FHanded) HandToEngine(nullptr);
}

void TfrmPreviewForm::HandToEngine(HWND Window) {
  if (!frmEngineWndLumetra) return;
  frmEngineWndLumetra->SetPreviewWindow(Window);
  FHanded = Window != nullptr;
}

void TfrmPreviewForm::FormDeactivate(TObject*) {
  // Message 0 ends an effect edit in the engine.
  if (frmEngineWndLumetra) frmEngineWndLumetra->PreviewMouse(0, 0, 0);
}

void TfrmPreviewForm::WMLButtonDown(TMessage& Message) {
  if (::GetFocus() != GetHandle()) ::SetFocus(GetHandle());
  ::SetCapture(GetHandle());
  ForwardMouse(Message);
}

void TfrmPreviewForm::WMLButtonUp(TMessage& Message) {
  if (::GetCapture() == GetHandle()) ::ReleaseCapture();
  ForwardMouse(Message);
}

void TfrmPreviewForm::WMMouseMove(TMessage& Message) { ForwardMouse(Message); }

void TfrmPreviewForm::WMKillFocus(TMessage&) {
  // The preview sits in the box as a child window, so it is never activated itself:
  // losing the focus is its deactivation.
  FormDeactivate(this);
}

void TfrmPreviewForm::ForwardMouse(const TMessage& Message) {
  if (!frmEngineWndLumetra) return;
  int x = static_cast<int16_t>(LOWORD(Message.LParam));
  int y = static_cast<int16_t>(HIWORD(Message.LParam));
  const TRect client = GetClientRect();
  x = ScalePreviewCoordinate(x, frmEngineWndLumetra->GetStreamWidth(), client.Width());
  y = ScalePreviewCoordinate(y, frmEngineWndLumetra->GetStreamHeight(), client.Height());
  frmEngineWndLumetra->PreviewMouse(Message.Msg, x, y);
}
