// The user interface of the first instance: the windows in their order, the message loop,
// and the windows freed again before the settings go.
#include "app/Main.h"

#include "framework/Forms.h"

#include "app/DefaultCamForm.h"
#include "app/EngineWnd.h"
#include "app/MainForm.h"
#include "app/SplashForm.h"

void RunUserInterface(const TStartupRequest& Request) {
  if (!EmbedHostWnd) ShowSplashForm();
  Application->SetShowMainForm(!Request.AutoRun);
  TfrmEngineWndLumetra::DefaultCamDialog = RunDefaultCamDialog;
  new TfrmEngineWndLumetra(Application);  // sets up the engine
  Application->CreateForm(frmMainFormLumetra);
  Application->Run();
  // The forms write settings while they go (moves, sizes, the engine's release): they are
  // freed here, the main window first, while the settings object still exists.
  Application->DestroyComponents();
}
