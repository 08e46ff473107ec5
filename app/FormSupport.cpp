#include "app/FormSupport.h"

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

AnsiString ProgramFolder() {
  TSettings* settings = GetSettings();
  return settings ? settings->GetProgramFolder() : GetExeFolder();
}
