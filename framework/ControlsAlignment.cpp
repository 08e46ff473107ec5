// Windowed controls: their bounds as the window has them, and the alignment of their
// children (aligned to an edge or the rest of the client area, or kept at their distances
// by anchors).
#include <vector>

#include "framework/ControlsPrivate.h"
#include "framework/Scopes.h"

// ---------------------------------------------------------------------------------------
// Bounds and alignment

TRect TWinControl::GetClientRect() {
  if (!FHandle) return TControl::GetClientRect();
  RECT r = {};
  ::GetClientRect(FHandle, &r);
  return FromRECT(r);
}

TPoint TWinControl::GetClientOrigin() {
  POINT p = {0, 0};
  ::ClientToScreen(GetHandle(), &p);
  return FromPOINT(p);
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  // The size is limited first, so that new limits apply to an unchanged size too.
  if (CheckNewSize(AWidth, AHeight) &&
      (ALeft != FLeft || ATop != FTop || AWidth != FWidth || AHeight != FHeight)) {
    if (FHandle && !IsIconic(FHandle)) {
      SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
      FLeft = ALeft;
      FTop = ATop;
      FWidth = AWidth;
      FHeight = AHeight;
      if (FHandle) {
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof(placement);
        GetWindowPlacement(FHandle, &placement);
        placement.rcNormalPosition = ToRECT(GetBoundsRect());
        SetWindowPlacement(FHandle, &placement);
      }
    }
    UpdateAnchorRules();
    RequestAlign();
  }
}

void TWinControl::UpdateBounds() {
  RECT r = {};
  if (IsIconic(FHandle)) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    GetWindowPlacement(FHandle, &placement);
    r = placement.rcNormalPosition;
  } else {
    GetWindowRect(FHandle, &r);
  }
  if (GetWindowLongPtrA(FHandle, GWL_STYLE) & WS_CHILD) {
    if (HWND parent = ::GetParent(FHandle)) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  }
  FLeft = r.left;
  FTop = r.top;
  FWidth = r.right - r.left;
  FHeight = r.bottom - r.top;
  UpdateAnchorRules();
}

void TWinControl::DisableAlign() { ++FAlignLevel; }

void TWinControl::EnableAlign() {
  if (--FAlignLevel == 0 && FControlState.Contains(csAlignmentNeeded)) Realign();
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AlignControl(TControl* AControl) {
  if (!FHandle || GetComponentState().Contains(csDestroying)) return;
  if (FAlignLevel != 0) {
    FControlState.Include(csAlignmentNeeded);
    return;
  }
  // Alignment disabled meanwhile; the realignments asked for meanwhile are this one.
  TDepthScope disabled(FAlignLevel);
  FControlState.Exclude(csAlignmentNeeded);
  TStateScope<TControlState, TControlStateFlag> aligning(FControlState, csAlignmentNeeded);
  TRect rect = GetClientRect();
  AlignControls(AControl, rect);
}

void TWinControl::AdjustClientRect(TRect&) {}

namespace {

// The steps of AlignControls.

// Whether a control of an alignment takes its place before another of the same alignment:
// by where they lie now (of two top-aligned controls the upper goes first, of two
// bottom-aligned ones the lower, and so on).
bool AlignsBefore(const TRect& A, const TRect& B, TAlign Align) {
  switch (Align) {
    case alTop: return A.Top < B.Top;
    case alBottom: return A.Bottom >= B.Bottom;
    case alLeft: return A.Left < B.Left;
    case alRight: return A.Right >= B.Right;
    default: return false;
  }
}

// The children of Parent with the alignment, in the order they take their places; the
// control that asked for the alignment (AControl) first, so that it keeps the place it was
// given unless another lies before it. Hidden controls take no place (except anchored ones).
std::vector<TControl*> AlignOrder(const TWinControl* Parent, TControl* AControl, TAlign Align) {
  std::vector<TControl*> list;
  if (AControl && (Align == alNone || AControl->GetVisible()) && AControl->GetAlign() == Align)
    list.push_back(AControl);
  for (int i = 0; i < Parent->GetControlCount(); ++i) {
    TControl* control = Parent->GetControl(i);
    if (control->GetAlign() != Align || (Align != alNone && !control->GetVisible())) continue;
    if (control == AControl) continue;
    size_t j = 0;
    while (j < list.size() && !AlignsBefore(control->GetBoundsRect(), list[j]->GetBoundsRect(), Align)) ++j;
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(j), control);
  }
  return list;
}

// Where its anchors put a control (now at Current) in a client area of ParentSize, the
// rules and the size being those the control and its parent had when the anchors were
// taken: an edge anchored on both sides keeps both distances (the control stretches), on
// the far side only its distance to the far edge, on neither side its centre at the same
// fraction of the parent.
TRect AnchoredBounds(const TRect& Current, TAnchors Anchors, const TPoint& Rules,
                     const TPoint& OriginalParentSize, const TPoint& ParentSize) {
  int left = Current.Left, top = Current.Top, width = Current.Width(), height = Current.Height();
  if (Anchors.Contains(akRight)) {
    if (Anchors.Contains(akLeft))
      width = ParentSize.X - (OriginalParentSize.X - Rules.X);
    else
      left = ParentSize.X - (OriginalParentSize.X - Rules.X);
  } else if (!Anchors.Contains(akLeft)) {
    left = MulDiv(Rules.X, ParentSize.X, OriginalParentSize.X) - width / 2;
  }
  if (Anchors.Contains(akBottom)) {
    if (Anchors.Contains(akTop))
      height = ParentSize.Y - (OriginalParentSize.Y - Rules.Y);
    else
      top = ParentSize.Y - (OriginalParentSize.Y - Rules.Y);
  } else if (!Anchors.Contains(akTop)) {
    top = MulDiv(Rules.Y, ParentSize.Y, OriginalParentSize.Y) - height / 2;
  }
  return Bounds(left, top, width, height);
}

// Where an aligned control (now at Current) goes in the area still free; the area loses
// what the control takes.
TRect AlignedBounds(const TRect& Current, TAlign Align, TRect& Free) {
  int width = Free.Right - Free.Left;
  if (width < 0 || Align == alLeft || Align == alRight || Align == alCustom) width = Current.Width();
  int height = Free.Bottom - Free.Top;
  if (height < 0 || Align == alTop || Align == alBottom || Align == alCustom) height = Current.Height();
  int left = Free.Left, top = Free.Top;
  switch (Align) {
    case alTop: Free.Top += height; break;
    case alBottom:
      Free.Bottom -= height;
      top = Free.Bottom;
      break;
    case alLeft: Free.Left += width; break;
    case alRight:
      Free.Right -= width;
      left = Free.Right;
      break;
    case alCustom:
      left = Current.Left;
      top = Current.Top;
      break;
    default: break;
  }
  return Bounds(left, top, width, height);
}

// A control that did not take the size it was given (a constraint, a fixed size) leaves
// the rest of the area to the controls after it.
void GiveBackUntaken(TAlign Align, const TRect& Given, const TRect& Taken, TRect& Free) {
  const int dw = Given.Width() - Taken.Width(), dh = Given.Height() - Taken.Height();
  if (dw == 0 && dh == 0) return;
  switch (Align) {
    case alTop: Free.Top -= dh; break;
    case alBottom: Free.Bottom += dh; break;
    case alLeft: Free.Left -= dw; break;
    case alRight: Free.Right += dw; break;
    case alClient:
      Free.Right += dw;
      Free.Bottom += dh;
      break;
    default: break;
  }
}

}  // namespace

void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
  bool work = false;
  for (int i = GetControlCount() - 1; i >= 0 && !work; --i) {
    TControl* c = GetControl(i);
    work = c->FAlign != alNone || c->FAnchors != TAnchors{akLeft, akTop};
  }
  if (work) {
    AdjustClientRect(Rect);
    // The edges first, then the rest of the area, the custom ones, last the anchored
    // controls that have no alignment.
    for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient, alCustom, alNone}) {
      for (TControl* control : AlignOrder(this, AControl, align)) {
        if (control->FParent != this) continue;  // gone while an earlier one moved
        if (align == alNone || control->FAnchors != AnchorsOfAlign(align)) {
          if (control->FOriginalParentSize.X != 0 && control->FOriginalParentSize.Y != 0) {
            TFlagScope anchorMove(control->FAnchorMove);
            control->SetBoundsRect(AnchoredBounds(control->GetBoundsRect(), control->FAnchors,
                                                  control->FAnchorRules, control->FOriginalParentSize,
                                                  GetClientRect().BottomRight()));
          }
          if (align == alNone) continue;
        }
        const TRect given = AlignedBounds(control->GetBoundsRect(), align, Rect);
        {
          TFlagScope anchorMove(control->FAnchorMove);
          control->SetBoundsRect(given);
        }
        GiveBackUntaken(align, given, control->GetBoundsRect(), Rect);
      }
    }
  }
  if (FShowing && FAutoSize) AdjustSize();
}

void TWinControl::ScrollBy(int DeltaX, int DeltaY) {
  const bool visible = FHandle && IsWindowVisible(FHandle);
  if (visible) ScrollWindow(FHandle, DeltaX, DeltaY, nullptr, nullptr);
  for (int i = 0; i < GetControlCount(); ++i) {
    TControl* control = GetControl(i);
    if (!control->IsWindowed() || !static_cast<TWinControl*>(control)->FHandle) {
      control->FLeft += DeltaX;
      control->FTop += DeltaY;
    } else if (!visible) {
      static_cast<TWinControl*>(control)->SetBounds(control->FLeft + DeltaX, control->FTop + DeltaY,
                                                    control->FWidth, control->FHeight);
    } else {
      static_cast<TWinControl*>(control)->UpdateBounds();
    }
  }
  Realign();
}
