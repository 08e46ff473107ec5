#include "app/EngineLink.h"

#include "app/VDStrings.h"

void TEngineLink::Release() {
  IVDEngine* engine = FEngine;
  FEngine = nullptr;
  if (!engine) return;
  engine->SetNotifyWindow(nullptr);
  engine->Release();
}

void TEngineLink::SetHostVersion(int Version) {
  if (FEngine) FEngine->SetHostVersion(Version);
}

void TEngineLink::SetNotifyWindow(HWND Window) {
  if (FEngine) FEngine->SetNotifyWindow(Window);
}

void TEngineLink::SetOwnerWindow(HWND Window) {
  if (FEngine) FEngine->SetOwnerWindow(Window);
}

bool TEngineLink::SetOutputSize(int Width, int Height) {
  return FEngine && FEngine->SetOutputSize(Width, Height) != 0;
}

bool TEngineLink::SetFrameRate(int Rate) { return FEngine && FEngine->SetFrameRate(Rate) != 0; }

void TEngineLink::Initialize(const AnsiString& CameraName) {
  if (FEngine) FEngine->Initialize(CameraName.c_str());
}

void TEngineLink::SetKindOrder(TStrings* Kinds) {
  if (!FEngine) return;
  THolder<TVDStringArray> holder;
  holder->Strings()->Assign(Kinds);
  FEngine->SetKindOrder(holder.Get());
}

bool TEngineLink::SetKindMultiple(const AnsiString& Kind, bool Multiple) {
  return FEngine && FEngine->SetKindMultiple(Kind.c_str(), EngineBool(Multiple)) != 0;
}

void TEngineLink::SetSortByKind(bool Sort) {
  if (FEngine) FEngine->SetSortByKind(EngineBool(Sort));
}

bool TEngineLink::GetProperty(int Module, int PropertyId, AnsiString& Value,
                              const AnsiString& Argument) {
  if (!FEngine) return false;
  THolder<TVDString> holder;
  const bool ok = FEngine->GetProperty(Module, PropertyId, Argument.c_str(), holder.Get()) != 0;
  // The holder starts empty; the engine writes the answer (or leaves it) as it sees fit.
  Value = holder->Text();
  return ok;
}

bool TEngineLink::SetProperty(int Module, int PropertyId, const AnsiString& Value) {
  return FEngine && FEngine->SetProperty(Module, PropertyId, Value.c_str()) != 0;
}

bool TEngineLink::GetSourceList(TStrings* List) {
  if (!FEngine) return false;
  THolder<TVDStringArray> holder;
  int defaultIndex = 0;
  const bool ok = FEngine->GetCaptureDevices(holder.Get(), &defaultIndex) != 0;
  List->Assign(holder->Strings());
  return ok;
}

void TEngineLink::PreviewMouse(UINT Message, int X, int Y) {
  if (FEngine) FEngine->PreviewMouse(FALSE, Message, X, Y);
}

void TEngineLink::SetPreviewWindow(HWND Window) {
  if (FEngine) FEngine->SetPreviewWindow(Window);
}

void TEngineLink::Tick() {
  if (FEngine) FEngine->Tick();
}

bool TEngineLink::GetLastEvent(int& Code, AnsiString& Text) {
  Code = 0;
  Text.clear();
  if (!FEngine) return false;
  THolder<TVDString> holder;
  FEngine->GetLastEvent(&Code, holder.Get());
  Text = holder->Text();
  return true;
}
