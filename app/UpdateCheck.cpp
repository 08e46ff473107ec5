#include "app/UpdateCheck.h"

#include "app/SPTools.h"
#include "app/Settings.h"
#include "app/UpdateRules.h"
#include "app/WebDownloadBinding.h"

AnsiString SystemVersionText() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&version);
#pragma GCC diagnostic pop
  const size_t length = strnlen(version.szCSDVersion, sizeof(version.szCSDVersion));
  return IntToStr(version.dwMajorVersion) + "_" + IntToStr(version.dwMinorVersion) + "_" +
         AnsiString(version.szCSDVersion, length);
}

AnsiString ChannelText(const AnsiString& RegPath) {
  return QueryChannelText(RegReadString(HKEY_LOCAL_MACHINE, "Software\\" + RegPath, "CHL", "unknow"));
}

TUpdateCheck::TUpdateCheck(TWebDownload* Connection, TSettings* Settings, TUpdateCheckHost Host)
    : FConnection(Connection), FSettings(Settings), FHost(std::move(Host)) {
  TStringList header;
  header.Add("Content-Type: application/x-www-form-urlencoded");
  FConnection->SetAdditionalHeader(&header);
  FConnection->SetDefaultProtocol("http://");
  FConnection->SetDefaultUrlFileName("index.html");
  FConnection->SetDownloadMethod(dmStream);
  FConnection->SetTimeOut(5000);
  // The product's web address is its home page, as the installation gives it.
  const TSettings* settings = this->Settings();
  FConnection->SetUserAgent(UpdateUserAgent(settings ? settings->ReadConst("URL.home") : AnsiString()));
  FConnection->OnStreamComplete = [this](TBSCB* Sender, TStream* Stream, HRESULT Result) {
    ConnectionComplete(Sender, Stream, Result);
  };
}

TSettings* TUpdateCheck::Settings() const { return FSettings ? FSettings : GetSettings(); }

AnsiString TUpdateCheck::BuildQueryString() const {
  TUpdateQueryFields fields;
  fields.TimeToken = FormatDateTime("sszzz", Now());
  fields.Product = Settings()->ReadConst("App.MagicWord");
  fields.Language = Settings()->Read(Setting::Language);
  fields.RunCount = IntToStr(Settings()->GetRunCount());
  fields.Version = QueryVersionText(Settings()->GetPackedVersion());
  fields.SubVersion = IntToStr(Settings()->GetSubVersion());
  fields.SystemVersion = SystemVersionText();
  fields.SystemLanguage = IntToStr(GetSystemDefaultLangID());
  fields.HostName = FHost.EmbedHostName ? FHost.EmbedHostName() : AnsiString();
  fields.Channel = ChannelText(Settings()->ReadConst("App.RegPath"));
  return BuildQueryText(fields);
}

AnsiString TUpdateCheck::BuildWebLink(const AnsiString& Name, bool WithQuery) const {
  return BuildWebLinkAddress(
      Name, WithQuery, [this](const AnsiString& Key) { return Settings()->ReadConst(Key); },
      GetExeFolder(), [this] { return BuildQueryString(); });
}

void TUpdateCheck::OpenWebLink(const AnsiString& Name) {
  const AnsiString address = BuildWebLink(Name, true);
  if (FHost.OpenUrl && !address.empty()) FHost.OpenUrl(address);
}

bool TUpdateCheck::HasWebLink(const AnsiString& Name) const { return !BuildWebLink(Name, false).empty(); }

void TUpdateCheck::CheckForUpdate(bool Manual) {
  if (Manual) FManual = true;
  if (FInProgress) return;
  // Without an update address of the installation's own no request goes anywhere.
  const AnsiString address = BuildWebLink("update", true);
  if (address.empty()) return;
  FInProgress = true;
  // The flag is cleared by the completion event; also when the download ends without one
  // (it could not start), so that later checks are not silently refused.
  struct TClear {
    bool& Flag;
    ~TClear() { Flag = false; }
  } clear{FInProgress};
  FConnection->Download(address);
}

void TUpdateCheck::ConnectionComplete(TBSCB*, TStream* Stream, HRESULT Result) {
  Settings()->Write(Setting::LastUpdateDate, static_cast<int>(Trunc(Date())));
  if (!FInProgress) return;
  AnsiString body;
  if (Stream) {
    const int64_t size = Stream->GetSize();
    if (size > 0) {
      body.resize(static_cast<size_t>(size));
      Stream->SetPosition(0);
      body.resize(static_cast<size_t>(Stream->Read(&body[0], size)));
    }
  }
  const TUpdateReply reply = ReadUpdateReply(Result, Stream != nullptr, body,
                                             Settings()->ReadConst("App.MagicWord"));
  TUpdateAnswerRules rules;
  rules.Manual = FManual;
  rules.AutoCheckUpdate = Settings()->Read(Setting::AutoCheckUpdate);
  rules.NoAutoCheck = Settings()->ReadConstBool("Update.NoAutoCheck", false);
  rules.Embedded = FHost.Embedded && FHost.Embedded();
  const bool reportFailure = ReportsUpdateFailure(reply, rules);
  // In every case the request is over, and a failed check from the menu says so.
  auto finish = [&] {
    FInProgress = false;
    if (reportFailure && FHost.ShowErrorMessage) FHost.ShowErrorMessage(1011);
  };
  try {
    ShowAnswer(reply, rules);
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TUpdateCheck::ShowAnswer(const TUpdateReply& Reply, const TUpdateAnswerRules& Rules) {
  auto show = [this](const AnsiString& TextId, TMsgDlgType Type, TMsgDlgButtons Buttons) {
    return FHost.ShowMessageBox ? FHost.ShowMessageBox(TextId, Type, Buttons) : 0;
  };
  switch (ChooseUpdateAnswer(Reply, Rules)) {
    case TUpdateAnswer::Announcement:
      if (show(Reply.Info, mtConfirmation, TMsgDlgButtons{mbOK, mbCancel}) == mrOk) {
        // The reply names a page for the browser: nothing else (a program, a file, a
        // network path, or text that would add arguments to the browser's command) opens.
        if (FHost.OpenUrl && IsWebAddress(Reply.Page)) FHost.OpenUrl(Reply.Page);
      } else if (!FManual) {
        if (show("MSGBOX_AutoCheckUpdate", mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) == mrNo)
          Settings()->Write(Setting::AutoCheckUpdate, false);
      }
      break;
    case TUpdateAnswer::LastVersionAlready:
      show("MSGBOX_LastVersionAlready", mtInformation, TMsgDlgButtons{mbOK});
      break;
    case TUpdateAnswer::None:
      break;
  }
}
