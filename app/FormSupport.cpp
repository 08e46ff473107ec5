#include "app/FormSupport.h"

#include "framework/WinApi.h"

#include <shellapi.h>

#include "app/EngineWnd.h"
#include "app/SPTools.h"
#include "app/Settings.h"
#include "framework/Forms.h"
#include "skin/data/spMultiLang.h"

TspMultiLang* CreateFormLanguage(TCustomForm* Form) {
  auto* language = new TspMultiLang(Form);
  language->SetName("smLanguage");
  if (TfrmEngineWndLumetra* engineWnd = frmEngineWndLumetra) {
    language->SetConfig(engineWnd->spcConfig);
    language->SetDefaultData(engineWnd->smdDefault);
    language->SetData(engineWnd->smdCurrent);
  }
  return language;
}

void HandleDroppedFiles(TCustomForm* Form, TMessage& Message) {
  const auto drop = static_cast<uintptr_t>(Message.WParam);
  ForceForegroundWindow(Form->GetHandle());
  TStringList files;
  GetDroppedFiles(drop, &files);
  DragFinish(reinterpret_cast<HDROP>(drop));
  if (files.GetCount() > 0 && frmEngineWndLumetra) frmEngineWndLumetra->DoDroppedFiles(&files);
  Message.Result = 0;
}

AnsiString ProgramFolder() {
  TSettings* settings = GetSettings();
  return settings ? settings->GetProgramFolder() : GetExeFolder();
}
