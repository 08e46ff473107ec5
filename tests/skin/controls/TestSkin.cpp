#include "tests/skin/controls/TestSkin.h"

#include "framework/GraphicsBmp.h"
#include "framework/SysUtils.h"
#include "skin/controls/SkinExCtrls.h"
#include "skin/controls/SkinLabels.h"
#include "skin/data/SkinStore.h"

AnsiString RectText(const TRect& R) {
  return IntToStr(R.Left) + "," + IntToStr(R.Top) + "," + IntToStr(R.Right) + "," +
         IntToStr(R.Bottom);
}

AnsiString PointText(const TPoint& P) { return IntToStr(P.X) + "," + IntToStr(P.Y); }

TSkinKeys NinePartKeys(const TRect& R, int Left, int Top, int Right, int Bottom) {
  const int w = R.Width();
  const int h = R.Height();
  return {{"skinrect", RectText(R)},
          {"lefttoppoint", PointText(TPoint(Left, Top))},
          {"righttoppoint", PointText(TPoint(w - Right, Top))},
          {"leftbottompoint", PointText(TPoint(Left, h - Bottom))},
          {"rightbottompoint", PointText(TPoint(w - Right, h - Bottom))},
          {"clientrect", RectText(TRect(Left, Top, w - Right, h - Bottom))}};
}

int TTestSkin::AddPicture(int W, int H, TColor Fill) {
  FPictures.push_back({W, H, std::vector<TColor>(size_t(W) * size_t(H), Fill)});
  return int(FPictures.size()) - 1;
}

void TTestSkin::FillRect(int Picture, const TRect& R, TColor Color) {
  TPicture& p = FPictures.at(size_t(Picture));
  for (int y = std::max(R.Top, 0); y < std::min(R.Bottom, p.H); ++y)
    for (int x = std::max(R.Left, 0); x < std::min(R.Right, p.W); ++x)
      p.Pixels[size_t(y) * size_t(p.W) + size_t(x)] = Color;
}

TColor TTestSkin::PixelAt(int Picture, int X, int Y) const {
  const TPicture& p = FPictures.at(size_t(Picture));
  return p.Pixels.at(size_t(Y) * size_t(p.W) + size_t(X));
}

void TTestSkin::AddControl(const AnsiString& Name, const AnsiString& Type, const TSkinKeys& Keys) {
  FControls.emplace_back(Name, Type);
  FSections[Name] = Keys;
}

void TTestSkin::SetSkinColor(const AnsiString& Key, TColor Color) {
  FColors.emplace_back(Key, IntToStr(int(Color)));
}

AnsiString TTestSkin::Write(const TTestFolder& Folder, const AnsiString& Name) {
  AnsiString ini;
  auto line = [&](const AnsiString& Text) { ini += Text + "\r\n"; };
  line("[VERSION]");
  line("skinname=" + Name);
  line("[PICTURES]");
  line("activepicturescount=" + IntToStr(int(FPictures.size())));
  for (size_t i = 0; i < FPictures.size(); ++i) {
    const AnsiString file = Name + "_" + IntToStr(int(i)) + ".bmp";
    line(IntToStr(int(i)) + "=" + file);
    // 24-bit rows bottom-up, blue, green, red.
    const TPicture& p = FPictures[i];
    TDibImage image;
    image.Width = p.W;
    image.Height = p.H;
    image.BitCount = 24;
    const size_t row = TDibImage::RowBytes(p.W, 24);
    image.Bits.assign(row * size_t(p.H), 0);
    for (int y = 0; y < p.H; ++y)
      for (int x = 0; x < p.W; ++x) {
        const uint32_t c = uint32_t(p.Pixels[size_t(y) * size_t(p.W) + size_t(x)]);
        uint8_t* px = &image.Bits[size_t(p.H - 1 - y) * row + size_t(x) * 3];
        px[0] = uint8_t(c >> 16);
        px[1] = uint8_t(c >> 8);
        px[2] = uint8_t(c);
      }
    const std::vector<uint8_t> bytes = WriteBmpFile(image);
    WriteWholeFile(Folder.File(file), AnsiString(bytes.begin(), bytes.end()));
  }
  line("[FORMINFO]");
  line("buttonsoffset=0");
  line("[SKINCOLORS]");
  for (const auto& kv : FColors) line(kv.first + "=" + kv.second);
  line("[SKINOBJECTS]");
  line("count=0");
  line("[SKINCONTROLS]");
  line("count=" + IntToStr(int(FControls.size())));
  for (size_t i = 0; i < FControls.size(); ++i)
    line(IntToStr(int(i)) + "=" + FControls[i].first + ":" + FControls[i].second);
  for (const auto& control : FControls) {
    line("[" + control.first + "]");
    for (const auto& kv : FSections[control.first]) line(kv.first + "=" + kv.second);
  }
  const AnsiString iniFile = Folder.File(Name + ".ini");
  WriteWholeFile(iniFile, ini);
  TOwned<TspCompressedStoredSkin> stored(new TspCompressedStoredSkin(nullptr));
  if (!stored->CompressFromIni(iniFile)) throw Exception("the test skin lacks a section");
  const AnsiString skn = Folder.File(Name + ".skn");
  TOwned<TFileStream> file(new TFileStream(skn, fmCreate));
  stored->SaveToCompressedStream(file.get());
  return skn;
}

void TTestSkin::LoadInto(TspSkinData* Data, const TTestFolder& Folder, const AnsiString& Name) {
  const AnsiString skn = Write(Folder, Name);
  if (!Data->LoadFromCompressedFile(skn))
    throw Exception("the test skin does not load: " + Data->GetLastLoadError());
}

void LoadDefaultSkin(TspSkinData* Data) {
  if (!Data->LoadFromCompressedFile(DEFAULT_SKIN_FILE))
    throw Exception("the default skin does not load: " + Data->GetLastLoadError());
}

TForm* NewTestForm(int W, int H, TColor Color) {
  TForm* form = new TForm(Application);
  form->SetBorderStyle(bsNone);
  form->SetBounds(40, 40, W, H);
  form->SetColor(Color);
  return form;
}

void ShowAndPaint(TForm* Form) {
  Form->Show();
  SetForegroundWindow(Form->GetHandle());
  PumpFor(30);
  RedrawWindow(Form->GetHandle(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpFor(30);
  GdiFlush();
}

void RepaintNow(TControl* Control) {
  if (auto* windowed = dynamic_cast<TWinControl*>(Control); windowed && windowed->HandleAllocated())
    RedrawWindow(windowed->GetHandle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  else
    Control->Repaint();
  PumpFor(10);
  GdiFlush();
}

TColor ControlPixel(TControl* Control, int X, int Y) {
  return ScreenPixel(ScreenPoint(Control, X, Y));
}

bool ControlShows(TControl* Control, TColor Color) {
  const int w = Control->GetWidth();
  const int h = Control->GetHeight();
  if (w <= 0 || h <= 0) return false;
  GdiFlush();
  const TPoint origin = ScreenPoint(Control, 0, 0);
  TOwned<TBitmap> copy(new TBitmap);
  copy->SetPixelFormat(pf24bit);
  copy->SetSize(w, h);
  {
    TWindowDC screen;
    BitBlt(copy->GetCanvas()->GetHandle(), 0, 0, w, h, screen, origin.X, origin.Y, SRCCOPY);
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (copy->GetCanvas()->GetPixel(x, y) == Color) return true;
  return false;
}

namespace {

template <class TStep>
void WalkControls(TWinControl* Root, TStep&& Step) {
  for (int i = 0; i < Root->GetControlCount(); ++i) {
    TControl* control = Root->GetControl(i);
    Step(control);
    if (auto* windowed = dynamic_cast<TWinControl*>(control)) WalkControls(windowed, Step);
  }
}

}  // namespace

void BeforeSkinChange(TWinControl* Root) {
  WalkControls(Root, [](TControl* C) {
    if (auto* s = dynamic_cast<TspSkinControl*>(C)) s->BeforeChangeSkinData();
    if (auto* g = dynamic_cast<TspGraphicSkinControl*>(C)) g->BeforeChangeSkinData();
  });
}

void AfterSkinChange(TWinControl* Root) {
  WalkControls(Root, [](TControl* C) {
    if (auto* s = dynamic_cast<TspSkinControl*>(C)) s->ChangeSkinData();
    if (auto* g = dynamic_cast<TspGraphicSkinControl*>(C)) g->ChangeSkinData();
    if (auto* l = dynamic_cast<TspSkinStdLabel*>(C)) l->ChangeSkinData();
    if (auto* t = dynamic_cast<TspSkinTextLabel*>(C)) t->ChangeSkinData();
    if (auto* b = dynamic_cast<TspSkinBevel*>(C)) b->ChangeSkinData();
    if (auto* k = dynamic_cast<TspSkinLinkLabel*>(C)) k->ChangeSkinData();
  });
}

void SwitchSkin(TWinControl* Root, TspSkinData* Data, TTestSkin& Skin, const TTestFolder& Folder,
                const AnsiString& Name) {
  BeforeSkinChange(Root);
  Skin.LoadInto(Data, Folder, Name);
  AfterSkinChange(Root);
}

void FollowSkinChanges(TForm* Form, std::function<void()> During) {
  TWndMethod old = Form->WindowProc;
  Form->WindowProc = [Form, old, During](TMessage& Message) {
    if (Message.Msg == WM_SKIN_BEFORE_CHANGE) {
      BeforeSkinChange(Form);
      if (During) During();
    } else if (Message.Msg == WM_SKIN_CHANGED) {
      AfterSkinChange(Form);
    }
    old(Message);
  };
}
