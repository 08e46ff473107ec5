// The open dialog, the folder browser and the plain message dialog.
#include "framework/Dialogs.h"

#include <algorithm>
#include <vector>

#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"
#include "framework/SysUtils.h"

#include <cderr.h>
#include <commdlg.h>
#include <shlobj.h>

namespace {

// While it lives, the program's other windows take no input (as under a modal form): the
// system's dialogs disable only their owner.
class TTaskWindowsDisabled {
 public:
  explicit TTaskWindowsDisabled(HWND Except) : FActive(GetActiveWindow()) {
    struct TData {
      HWND Except;
      std::vector<HWND>* List;
    } data{Except, &FDisabled};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND Wnd, LPARAM Param) -> BOOL {
          auto* d = reinterpret_cast<TData*>(Param);
          if (Wnd != d->Except && IsWindowVisible(Wnd) && IsWindowEnabled(Wnd)) {
            d->List->push_back(Wnd);
            EnableWindow(Wnd, FALSE);
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&data));
  }
  ~TTaskWindowsDisabled() {
    for (HWND wnd : FDisabled)
      if (IsWindow(wnd)) EnableWindow(wnd, TRUE);
    if (FActive && IsWindow(FActive)) SetActiveWindow(FActive);
  }
  TTaskWindowsDisabled(const TTaskWindowsDisabled&) = delete;
  TTaskWindowsDisabled& operator=(const TTaskWindowsDisabled&) = delete;

 private:
  HWND FActive;
  std::vector<HWND> FDisabled;
};

}  // namespace

// ---------------------------------------------------------------------------------------
// TCommonDialog, TOpenDialog

HWND TCommonDialog::OwnerWindow() const {
  if (Screen)
    if (TCustomForm* form = Screen->GetActiveCustomForm(); form && form->HandleAllocated() &&
                                                            IsWindowVisible(form->GetHandle()))
      return form->GetHandle();
  return Application ? Application->GetHandle() : nullptr;
}

TOpenDialog::TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner), FFiles(std::make_unique<TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

AnsiString TOpenDialog::SystemFilter(const AnsiString& Filter) {
  std::vector<AnsiString> parts;
  AnsiString part;
  for (char c : Filter) {
    if (c == '|') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(part);
  // An empty pair ends the list; a description without patterns is left out.
  std::vector<AnsiString> pairs;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].empty() && parts[i + 1].empty()) break;
    pairs.push_back(parts[i]);
    pairs.push_back(parts[i + 1]);
  }
  if (pairs.empty()) return AnsiString();
  AnsiString result;
  for (const AnsiString& p : pairs) {
    result += p;
    result += '\0';
  }
  result += '\0';  // with the string's own terminator: two at the end
  return result;
}

void TOpenDialog::SplitFileNames(const char* Buffer, size_t Size, TStrings* Files) {
  Files->Clear();
  if (!Buffer || Size == 0) return;
  auto next = [&](size_t& Pos) -> AnsiString {
    const size_t start = Pos;
    while (Pos < Size && Buffer[Pos] != '\0') ++Pos;
    AnsiString text(Buffer + start, Pos - start);
    if (Pos < Size) ++Pos;  // past the NUL
    return text;
  };
  size_t pos = 0;
  const AnsiString first = next(pos);
  if (first.empty()) return;
  AnsiString name = pos < Size ? next(pos) : AnsiString();
  if (name.empty()) {
    Files->Add(first);  // one file, with its folder
    return;
  }
  const AnsiString folder = IncludeTrailingPathDelimiter(first);
  while (!name.empty()) {
    Files->Add(folder + name);
    if (pos >= Size) break;
    name = next(pos);
  }
}

bool TOpenDialog::Execute() {
  static const std::pair<TOpenOption, DWORD> kFlags[] = {
      {ofReadOnly, OFN_READONLY},
      {ofOverwritePrompt, OFN_OVERWRITEPROMPT},
      {ofHideReadOnly, OFN_HIDEREADONLY},
      {ofNoChangeDir, OFN_NOCHANGEDIR},
      {ofShowHelp, OFN_SHOWHELP},
      {ofNoValidate, OFN_NOVALIDATE},
      {ofAllowMultiSelect, OFN_ALLOWMULTISELECT},
      {ofExtensionDifferent, OFN_EXTENSIONDIFFERENT},
      {ofPathMustExist, OFN_PATHMUSTEXIST},
      {ofFileMustExist, OFN_FILEMUSTEXIST},
      {ofCreatePrompt, OFN_CREATEPROMPT},
      {ofShareAware, OFN_SHAREAWARE},
      {ofNoReadOnlyReturn, OFN_NOREADONLYRETURN},
      {ofNoTestFileCreate, OFN_NOTESTFILECREATE},
      {ofNoNetworkButton, OFN_NONETWORKBUTTON},
      {ofNoLongNames, OFN_NOLONGNAMES},
      {ofNoDereferenceLinks, OFN_NODEREFERENCELINKS},
      {ofEnableIncludeNotify, OFN_ENABLEINCLUDENOTIFY},
      {ofEnableSizing, OFN_ENABLESIZING},
      {ofDontAddToRecent, OFN_DONTADDTORECENT},
      {ofForceShowHidden, OFN_FORCESHOWHIDDEN},
  };
  const bool multi = FOptions.Contains(ofAllowMultiSelect);
  // Room for many names at once.
  std::vector<char> buffer(multi ? size_t(1) << 20 : size_t(MAX_PATH) * 4, '\0');
  std::copy_n(FFileName.begin(), std::min(FFileName.size(), buffer.size() - 1), buffer.begin());
  const AnsiString filter = SystemFilter(FFilter);
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = OwnerWindow();
  ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = DWORD(std::max(0, FFilterIndex));
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = DWORD(buffer.size());
  ofn.lpstrInitialDir = FInitialDir.empty() ? nullptr : FInitialDir.c_str();
  ofn.lpstrTitle = FTitle.empty() ? nullptr : FTitle.c_str();
  ofn.lpstrDefExt = FDefaultExt.empty() ? nullptr : FDefaultExt.c_str();
  for (const auto& flag : kFlags)
    if (FOptions.Contains(flag.first)) ofn.Flags |= flag.second;
  if (!FOptions.Contains(ofOldStyleDialog)) ofn.Flags |= OFN_EXPLORER;
  if (OnShow) OnShow(this);
  BOOL ok;
  {
    TTaskWindowsDisabled disabled(ofn.hwndOwner);
    ok = GetOpenFileNameA(&ofn);
  }
  if (OnClose) OnClose(this);
  if (!ok) {
    if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
      throw Exception("Too many files were chosen at once");
    return false;
  }
  SplitFileNames(buffer.data(), buffer.size(), FFiles.get());
  if (FFiles->GetCount() > 0) FFileName = FFiles->Get(0);
  FFilterIndex = static_cast<int>(ofn.nFilterIndex);
  return true;
}

// ---------------------------------------------------------------------------------------
// SelectDirectory

namespace {
int CALLBACK BrowseCallback(HWND Wnd, UINT Msg, LPARAM, LPARAM Data) {
  const char* initial = reinterpret_cast<const char*>(Data);
  if (Msg == BFFM_INITIALIZED && initial && *initial) SendMessageA(Wnd, BFFM_SETSELECTIONA, TRUE, Data);
  return 0;
}
}  // namespace

bool SelectDirectory(const AnsiString& Caption, AnsiString& Directory, HWND Owner, unsigned Flags) {
  if (!Owner) {
    if (Screen && Screen->GetActiveCustomForm() && Screen->GetActiveCustomForm()->HandleAllocated())
      Owner = Screen->GetActiveCustomForm()->GetHandle();
    else if (Application)
      Owner = Application->GetHandle();
  }
  char display[MAX_PATH] = {};
  const AnsiString initial = Directory;
  BROWSEINFOA info = {};
  info.hwndOwner = Owner;
  info.pszDisplayName = display;
  info.lpszTitle = Caption.c_str();
  info.ulFlags = Flags;
  info.lpfn = &BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(initial.c_str());
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  LPITEMIDLIST chosen;
  {
    TTaskWindowsDisabled disabled(Owner);
    chosen = SHBrowseForFolderA(&info);
  }
  bool ok = false;
  if (chosen) {
    char path[MAX_PATH] = {};
    ok = SHGetPathFromIDListA(chosen, path) && path[0];
    CoTaskMemFree(chosen);
    if (ok) Directory = path;
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return ok;
}

// ---------------------------------------------------------------------------------------
// Message dialog

namespace {

struct TButtonKind {
  const char* Name;
  const char* Caption;
  TModalResult Result;
};
const TButtonKind kButtons[] = {
    {"Yes", "&Yes", mrYes},         {"No", "&No", mrNo},
    {"OK", "OK", mrOk},             {"Cancel", "Cancel", mrCancel},
    {"Abort", "&Abort", mrAbort},   {"Retry", "&Retry", mrRetry},
    {"Ignore", "&Ignore", mrIgnore}, {"All", "&All", mrAll},
    {"NoToAll", "N&oToAll", mrNoToAll}, {"YesToAll", "&YesToAll", mrYesToAll},
    {"Help", "&Help", mrNone},
};

// The dialog: built at run time, freed after it showed.
class TMessageForm : public TForm {
 public:
  explicit TMessageForm(TComponent* AOwner) : TForm(AOwner) {
    SetBorderStyle(bsDialog);
    SetBorderIcons(TBorderIcons{biSystemMenu});
    SetKeyPreview(true);
    SetPosition(poScreenCenter);
  }
};

struct TFreeObject {
  void operator()(TObject* Object) const {
    if (Object) Object->Free();
  }
};

constexpr int kButtonWidth = 70;
constexpr int kButtonGap = 10;
constexpr int kButtonHeight = 25;

}  // namespace

const char* MsgDlgButtonName(TMsgDlgBtn Button) { return kButtons[Button].Name; }
const char* MsgDlgButtonCaption(TMsgDlgBtn Button) { return kButtons[Button].Caption; }
TModalResult MsgDlgButtonResult(TMsgDlgBtn Button) { return kButtons[Button].Result; }

TMessageDialog::TMessageDialog(TComponent* AOwner)
    : TComponent(AOwner),
      FShowAgainCaption("Do not display this message again"),
      FDefaultFont(std::make_unique<TFont>()),
      FDefaultButtonFont(std::make_unique<TFont>()) {
  for (TFont* font : {FDefaultFont.get(), FDefaultButtonFont.get()}) {
    font->SetName("Arial");
    font->SetHeight(14);
  }
}

TMessageDialog::~TMessageDialog() = default;

int TMessageDialog::MessageDlg(const AnsiString& Msg, const AnsiString& Caption, TMsgDlgType DlgType,
                               TMsgDlgButtons Buttons, int) {
  static const LPCSTR kIcons[] = {IDI_EXCLAMATION, IDI_HAND, IDI_ASTERISK, IDI_QUESTION, nullptr};
  std::unique_ptr<TMessageForm, TFreeObject> form(new TMessageForm(Application));
  form->SetCaption(Caption);
  form->SetFont(FDefaultFont.get());

  int count = 0;
  for (int b = mbYes; b <= mbHelp; ++b)
    if (Buttons.Contains(TMsgDlgBtn(b))) ++count;
  const int rowWidth = count > 0 ? kButtonWidth * count + kButtonGap * (count - 1) : 0;

  auto* label = new TLabel(form.get());
  label->SetName("Message");
  label->SetParent(form.get());
  label->SetFont(FDefaultFont.get());
  label->SetBounds(50, 15, label->GetWidth(), label->GetHeight());
  label->SetCaption(Msg);
  const int labelRight = label->GetLeft() + label->GetWidth();

  if (kIcons[DlgType]) {
    auto* image = new TImage(form.get());
    image->SetName("Image");
    image->SetParent(form.get());
    image->GetPicture()->GetIcon()->SetHandle(CopyIcon(LoadIconA(nullptr, kIcons[DlgType])));
    image->SetBounds(5, std::max(10, label->GetTop() + label->GetHeight() / 2 - 16), 32, 32);
  }

  int clientHeight = kButtonHeight + label->GetHeight() + 50;
  int clientWidth = rowWidth < labelRight ? labelRight + 40 : rowWidth + 40;
  TCheckBox* check = nullptr;
  if (FShowAgainFlag) {
    clientHeight += 40;
    check = new TCheckBox(form.get());
    check->SetName("checkbox");
    check->SetCaption(FShowAgainCaption);
    check->SetParent(form.get());
    check->SetFont(FDefaultFont.get());
    if (!FShowAgainFlagValue) check->SetState(cbChecked);
    form->GetCanvas()->SetFont(FDefaultFont.get());
    const int captionWidth = form->GetCanvas()->TextWidth(FShowAgainCaption) + 30;
    clientWidth = std::max(clientWidth, captionWidth + 30);
    check->SetBounds(5, clientHeight - kButtonHeight - 50, captionWidth + 25, 30);
  }
  form->SetClientWidth(clientWidth);
  form->SetClientHeight(clientHeight);

  const TMsgDlgBtn defaultButton = Buttons.Contains(mbOK) ? mbOK : Buttons.Contains(mbYes) ? mbYes : mbRetry;
  const TMsgDlgBtn cancelButton = Buttons.Contains(mbCancel) ? mbCancel : Buttons.Contains(mbNo) ? mbNo : mbOK;
  int x = (clientWidth - rowWidth) / 2;
  for (int b = mbYes; b <= mbHelp; ++b) {
    const auto kind = TMsgDlgBtn(b);
    if (!Buttons.Contains(kind)) continue;
    auto* button = new TButton(form.get());
    button->SetName(kButtons[b].Name);
    button->SetCaption(kButtons[b].Caption);
    button->SetModalResult(kButtons[b].Result);
    button->SetDefault(kind == defaultButton);
    button->SetCancel(kind == cancelButton);
    button->SetFont(FDefaultButtonFont.get());
    button->SetBounds(x, clientHeight - kButtonHeight - 10, kButtonWidth, kButtonHeight);
    button->SetParent(form.get());
    x += kButtonWidth + kButtonGap;
  }

  int result = mrCancel;
  try {
    result = form->ShowModal();
  } catch (...) {
    if (check) FShowAgainFlagValue = !check->GetChecked();
    throw;
  }
  if (check) FShowAgainFlagValue = !check->GetChecked();
  return result;
}

int MessageDlg(const AnsiString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
  std::unique_ptr<TMessageDialog, TFreeObject> dialog(new TMessageDialog(nullptr));
  return dialog->MessageDlg(Msg, Application ? Application->GetTitle() : AnsiString(), DlgType, Buttons, HelpCtx);
}
