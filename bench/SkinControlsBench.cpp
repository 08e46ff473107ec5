// A form of 50 skinned controls (panels, gauges, tool bars, status bars, labels, text
// labels, bevels) against the same form built from the framework's plain controls: the
// cost of a full repaint with the default skin against a full repaint of the plain form,
// and the cost of one skin switch (the load and every control following it) against the
// plain repaint, as ratios measured in one run.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "skin/controls/SkinGauge.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinPanels.h"

namespace {

double Seconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return double(now.QuadPart) / double(frequency.QuadPart);
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void FullRepaint(TForm* Form) {
  RedrawWindow(Form->GetHandle(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  GdiFlush();
}

// The best of Rounds timings of Step repeated Count times (the least disturbed by the rest
// of the machine).
double Measure(int Rounds, int Count, const std::function<void()>& Step) {
  double best = 1e30;
  for (int r = 0; r < Rounds; ++r) {
    const double start = Seconds();
    for (int i = 0; i < Count; ++i) Step();
    best = std::min(best, (Seconds() - start) / Count);
  }
  return best;
}

// Places the 50 controls: Make(kind, index) gives the control of a kind, placed in a grid.
enum TKind { kPanel, kGauge, kToolBar, kStatusBar, kLabel, kTextLabel, kBevel };
const std::vector<std::pair<TKind, int>> kLayout = {
    {kPanel, 10}, {kGauge, 10}, {kToolBar, 5}, {kStatusBar, 5}, {kLabel, 10}, {kTextLabel, 5},
    {kBevel, 5}};

TForm* BuildForm(const std::function<TControl*(TForm*, TKind)>& Make) {
  TForm* form = new TForm(Application);
  form->SetBorderStyle(bsNone);
  form->SetBounds(0, 0, 800, 600);
  int n = 0;
  for (const auto& kind : kLayout) {
    for (int i = 0; i < kind.second; ++i, ++n) {
      TControl* c = Make(form, kind.first);
      c->SetParent(form);
      c->SetBounds(10 + (n % 5) * 155, 10 + (n / 5) * 58, 150, kind.first == kBevel ? 4 : 50);
    }
  }
  form->Show();
  Pump();
  return form;
}

}  // namespace

int main() {
  TspSkinData* data = new TspSkinData(Application);
  TForm* skinned = BuildForm([&](TForm* Form, TKind Kind) -> TControl* {
    switch (Kind) {
      case kPanel: {
        auto* c = new TspSkinPanel(Form);
        c->SetSkinData(data);
        return c;
      }
      case kGauge: {
        auto* c = new TspSkinGauge(Form);
        c->SetShowPercent(true);
        c->SetSkinData(data);
        return c;
      }
      case kToolBar: {
        auto* c = new TspSkinToolBar(Form);
        c->SetSkinData(data);
        return c;
      }
      case kStatusBar: {
        auto* c = new TspSkinStatusBar(Form);
        c->SetAlign(alNone);
        c->SetSizeGrip(true);
        c->SetSkinData(data);
        return c;
      }
      case kLabel: {
        auto* c = new TspSkinStdLabel(Form);
        c->SetAutoSize(false);
        c->SetCaption("A label of the form");
        c->SetSkinData(data);
        return c;
      }
      case kTextLabel: {
        auto* c = new TspSkinTextLabel(Form);
        c->SetAutoSize(false);
        c->GetLines()->Add("A text label");
        c->GetLines()->Add("of two lines");
        c->SetSkinData(data);
        return c;
      }
      case kBevel: {
        auto* c = new TspSkinBevel(Form);
        c->SetShape(bsTopLine);
        c->SetSkinData(data);
        return c;
      }
    }
    return nullptr;
  });
  // The default skin beside the program, as the program keeps it.
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  const AnsiString skinFile = ExtractFilePath(exe) + "skins\\Default.skn";
  if (!data->LoadFromCompressedFile(skinFile)) {
    std::printf("the default skin did not load: %s\n", data->GetLastLoadError().c_str());
    return 1;
  }
  // Every control follows the loaded skin, as the form frame makes them.
  auto follow = [&](TWinControl* Root) {
    for (int i = 0; i < Root->GetControlCount(); ++i) {
      TControl* c = Root->GetControl(i);
      if (auto* s = dynamic_cast<TspSkinControl*>(c)) s->ChangeSkinData();
      if (auto* l = dynamic_cast<TspSkinStdLabel*>(c)) l->ChangeSkinData();
      if (auto* t = dynamic_cast<TspSkinTextLabel*>(c)) t->ChangeSkinData();
      if (auto* b = dynamic_cast<TspSkinBevel*>(c)) b->ChangeSkinData();
    }
  };
  auto before = [&](TWinControl* Root) {
    for (int i = 0; i < Root->GetControlCount(); ++i)
      if (auto* s = dynamic_cast<TspSkinControl*>(Root->GetControl(i))) s->BeforeChangeSkinData();
  };
  follow(skinned);
  Pump();
  TForm* plain = BuildForm([](TForm* Form, TKind Kind) -> TControl* {
    switch (Kind) {
      case kPanel:
      case kGauge:
      case kToolBar:
      case kStatusBar:
        return new TPanel(Form);
      case kLabel:
      case kTextLabel: {
        auto* c = new TLabel(Form);
        c->SetAutoSize(false);
        c->SetCaption(Kind == kLabel ? "A label of the form" : "A text label\r\nof two lines");
        return c;
      }
      case kBevel: {
        auto* c = new TBevel(Form);
        c->SetShape(bsTopLine);
        return c;
      }
    }
    return nullptr;
  });
  skinned->BringToFront();
  FullRepaint(skinned);
  plain->BringToFront();
  FullRepaint(plain);

  // The two forms take turns round by round, so that the rest of the machine weighs on
  // both alike; the median of the rounds' ratios is reported.
  const int rounds = 15;
  const int count = 10;
  std::vector<double> repaintRatios, switchRatios, plainTimes, skinnedTimes, switchTimes;
  for (int r = 0; r < rounds; ++r) {
    plain->BringToFront();
    Pump();
    FullRepaint(plain);
    const double p = Measure(1, count, [&] { FullRepaint(plain); });
    skinned->BringToFront();
    Pump();
    FullRepaint(skinned);
    const double s = Measure(1, count, [&] { FullRepaint(skinned); });
    const double w = Measure(1, 1, [&] {
      before(skinned);
      data->LoadFromCompressedFile(skinFile);
      follow(skinned);
      skinned->Update();
      GdiFlush();
    });
    plainTimes.push_back(p);
    skinnedTimes.push_back(s);
    switchTimes.push_back(w);
    repaintRatios.push_back(s / p);
    switchRatios.push_back(w / p);
  }
  auto median = [](std::vector<double> V) {
    std::sort(V.begin(), V.end());
    return V[V.size() / 2];
  };
  const double plainRepaint = median(plainTimes);
  const double skinnedRepaint = median(skinnedTimes);
  const double skinSwitch = median(switchTimes);
  // Where the time goes: one repaint of the first control of each kind.
  for (int i = 0, n = 0; i < int(kLayout.size()); n += kLayout[i].second, ++i) {
    TControl* c = skinned->GetControl(0);
    for (int k = 0; k < skinned->GetControlCount(); ++k)
      if (skinned->GetControl(k)->GetLeft() == 10 + (n % 5) * 155 &&
          skinned->GetControl(k)->GetTop() == 10 + (n / 5) * 58)
        c = skinned->GetControl(k);
    const double one = Measure(5, count, [&] {
      c->Repaint();
      GdiFlush();
    });
    std::printf("  %-24s %.3f ms\n", c->ClassName().c_str(), one * 1000);
  }
  std::printf("50 controls, full repaint: plain %.3f ms, default skin %.3f ms\n",
              plainRepaint * 1000, skinnedRepaint * 1000);
  std::printf("skinned repaint / plain repaint: %.2f (median of %d rounds; at most 3)\n",
              median(repaintRatios), rounds);
  std::printf("one skin switch: %.3f ms = %.2f plain repaints (median of %d rounds)\n",
              skinSwitch * 1000, median(switchRatios), rounds);
  return 0;
}
