#include <algorithm>

#include "skin/controls/SkinPanels.h"
#include "skin/data/SPUtils.h"
#include "skin/data/SkinDraw.h"
#include "skin/data/SkinImages.h"

namespace {

int TextHeightOf(TFont* Font, const AnsiString& Text) {
  TBitmap probe;
  probe.SetSize(1, 1);
  probe.GetCanvas()->SetFont(Font);
  return probe.GetCanvas()->TextHeight(Text);
}

void FillWith(TCanvas* Canvas, const TRect& R, TColor Color) {
  Canvas->GetBrush()->SetStyle(bsSolid);
  Canvas->GetBrush()->SetColor(Color);
  Canvas->FillRect(R);
}

}  // namespace

void Frame3D(TCanvas* Canvas, TRect& R, TColor TopLeft, TColor BottomRight) {
  if (IsNullRect(R)) return;
  FillWith(Canvas, Rect(R.Left, R.Top, R.Right - 1, R.Top + 1), TopLeft);
  FillWith(Canvas, Rect(R.Left, R.Top, R.Left + 1, R.Bottom - 1), TopLeft);
  FillWith(Canvas, Rect(R.Right - 1, R.Top, R.Right, R.Bottom), BottomRight);
  FillWith(Canvas, Rect(R.Left, R.Bottom - 1, R.Right, R.Bottom), BottomRight);
  R = Rect(R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1);
}

TspSkinPanel::TspSkinPanel(TComponent* AOwner)
    : TspSkinCustomControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                                csOpaque, csDoubleClicks, csReplicatable});
  SetBounds(GetLeft(), GetTop(), 150, 150);
  SetSkinDataName("panel");
  SetBorderPaintMode(true);
  NewClRect = NullRect();
}

TspSkinPanel::~TspSkinPanel() = default;

void TspSkinPanel::Notification(TComponent* AComponent, TOperation Operation) {
  TspSkinCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FCaptionImageList) FCaptionImageList = nullptr;
}

void TspSkinPanel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOVE:
      TspSkinCustomControl::Dispatch(Message);
      if (FTransparentMode) {
        Repaint();
        NotifyChildrenParentBackground();
      }
      return;
    case WM_SKIN_PARENT_BG_CHANGED:
      if (FTransparentMode || GetAlphaBlend()) {
        Repaint();
        NotifyChildrenParentBackground();
      }
      return;
    case CM_TEXTCHANGED:
      TspSkinCustomControl::Dispatch(Message);
      if (FCaptionMode) Repaint();
      return;
    default:
      TspSkinCustomControl::Dispatch(Message);
  }
}

void TspSkinPanel::SetAlphaBlend(bool Value) { TspSkinCustomControl::SetAlphaBlend(Value); }
void TspSkinPanel::SetAlphaBlendValue(uint8_t Value) {
  TspSkinCustomControl::SetAlphaBlendValue(Value);
}

void TspSkinPanel::GetSkinData() {
  TspSkinCustomControl::GetSkinData();
  FBGPictureIndex = -1;
  auto* record = dynamic_cast<TspDataSkinPanelControl*>(SkinRecord());
  if (!record) return;
  FSkinCaptionRect = record->CaptionRect;
  FAlignment = record->Alignment;
  FFontName = record->FontName;
  FFontHeight = record->FontHeight;
  FFontStyle = record->FontStyle;
  FFontColor = record->FontColor;
  FBGPictureIndex = record->BGPictureIndex;
  FCheckImageRect = record->CheckImageRect;
  FUnCheckImageRect = record->UnCheckImageRect;
  FMarkFrameRect = record->MarkFrameRect;
  FFrameRect = record->FrameRect;
  FFrameTextRect = record->FrameTextRect;
  FFrameLeftOffset = record->FrameLeftOffset;
  FFrameRightOffset = record->FrameRightOffset;
}

void TspSkinPanel::ChangeSkinData() {
  TspSkinCustomControl::ChangeSkinData();
  if (FRealHeight == -1) {
    Realign();
    return;
  }
  // Rolled up: fold again to the new skin's band, keeping the expanded height.
  const int expanded = FRealHeight;
  FRealHeight = -1;
  ApplyRollUp(true);
  FRealHeight = expanded;
}

void TspSkinPanel::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TspSkinCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (!Skinned()) Repaint();
}

TRect TspSkinPanel::GetAdjustedClientRect() {
  TRect r(0, 0, GetWidth(), GetHeight());
  AdjustClientRect(r);
  return r;
}

bool TspSkinPanel::CanAutoSize(int& NewWidth, int& NewHeight) {
  if (FRolling && FRollUpMode && GetAutoSize()) return false;
  return TspSkinCustomControl::CanAutoSize(NewWidth, NewHeight);
}

void TspSkinPanel::CreateParams(TCreateParams& Params) {
  TspSkinCustomControl::CreateParams(Params);
  Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

TRect TspSkinPanel::GetTransparentClientRect() {
  if (!FCaptionMode) return Rect(2, 2, GetWidth() - 2, GetHeight() - 2);
  TFont font;
  if (GetUseSkinFont()) {
    font.SetName(FFontName);
    font.SetHeight(FFontHeight);
    font.SetStyle(FFontStyle);
  } else {
    font.Assign(GetDefaultFont());
  }
  return Rect(2, TextHeightOf(&font, GetCaption()), GetWidth() - 2, GetHeight() - 2);
}

void TspSkinPanel::AdjustClientRect(TRect& Rect) {
  TspSkinCustomControl::AdjustClientRect(Rect);
  GetSkinData();
  int w = GetWidth();
  int h = GetHeight();
  CalcSize(w, h);
  if (Skinned() && FTransparentMode) {
    Rect = GetTransparentClientRect();
    return;
  }
  if (!Skinned()) {
    if (FBorderStyle != TspSkinBorderStyle::bvNone)
      Rect = ::Rect(Rect.Left + 1, Rect.Top + 1, Rect.Right - 1, Rect.Bottom - 1);
    if (FCaptionMode) Rect.Top += FDefaultCaptionHeight;
    return;
  }
  if (FBGPictureIndex != -1) return;
  if (FBorderStyle == TspSkinBorderStyle::bvNone && !FCaptionMode &&
      SkinImageKind == kSkinImageNineParts)
    return;
  Rect = NewClRect;
}

// ---------------------------------------------------------------------------------------
// Properties

void TspSkinPanel::SetImagePosition(TspImagePosition Value) {
  if (FImagePosition == Value) return;
  FImagePosition = Value;
  Repaint();
}

void TspSkinPanel::SetTransparentMode(bool Value) {
  if (FTransparentMode == Value) return;
  FTransparentMode = Value;
  Repaint();
  if (!GetComponentState().Contains(csLoading)) NotifyChildrenParentBackground();
}

void TspSkinPanel::SetCaptionImageList(TCustomImageList* Value) {
  ReplaceComponentReference(this, FCaptionImageList, Value);
}

void TspSkinPanel::SetCaptionImageIndex(int Value) {
  if (FCaptionImageIndex == Value) return;
  FCaptionImageIndex = Value;
  Repaint();
}

void TspSkinPanel::SetCheckedMode(bool Value) {
  FCheckedMode = Value;
  Repaint();
}

void TspSkinPanel::SetChecked(bool Value) {
  FChecked = Value;
  if (FCheckedMode) {
    Repaint();
    if (FAutoEnabledControls)
      for (int i = 0; i < GetControlCount(); ++i) GetControl(i)->SetEnabled(FChecked);
  }
  if (OnChecked) OnChecked(this);
}

void TspSkinPanel::SetGlyph(TBitmap* Value) {
  FGlyph->Assign(Value);
  Repaint();
}

void TspSkinPanel::SetNumGlyphs(int Value) {
  FNumGlyphs = std::clamp(Value, 1, 2);
  Repaint();
}

void TspSkinPanel::SetSpacing(int Value) {
  FSpacing = Value;
  Repaint();
}

void TspSkinPanel::SetDefaultAlignment(TAlignment Value) {
  FDefaultAlignment = Value;
  if (!Skinned() && FCaptionMode) Repaint();
}

void TspSkinPanel::SetDefaultCaptionHeight(int Value) {
  FDefaultCaptionHeight = Value;
  if (!Skinned() && FCaptionMode) {
    Repaint();
    Realign();
  }
}

void TspSkinPanel::SetBorderStyle(TspSkinBorderStyle Value) {
  FBorderStyle = Value;
  if (!Skinned()) {
    Repaint();
    Realign();
  }
}

void TspSkinPanel::SetCaptionMode(bool Value) {
  FCaptionMode = Value;
  Repaint();
  Realign();
}

void TspSkinPanel::SetRollUpMode(bool Value) {
  FRollUpMode = Value;
  if (!Skinned() && FCaptionMode) Repaint();
}

void TspSkinPanel::SetRollUpState(bool Value) {
  if (FRollUpState == Value) return;
  TSizeConstraints* c = GetConstraints();
  if (FRollUpMode) {
    FSavedMaxWidth = c->GetMaxWidth();
    FSavedMinWidth = c->GetMinWidth();
    FSavedMaxHeight = c->GetMaxHeight();
    FSavedMinHeight = c->GetMinHeight();
    c->SetMaxWidth(0);
    c->SetMinWidth(0);
    c->SetMaxHeight(0);
    c->SetMinHeight(0);
    FRollUpState = Value;
    ApplyRollUp(Value);
    if (OnChangeRollUpState) OnChangeRollUpState(this);
  } else {
    c->SetMaxWidth(FSavedMaxWidth);
    c->SetMinWidth(FSavedMinWidth);
    c->SetMaxHeight(FSavedMaxHeight);
    c->SetMinHeight(FSavedMinHeight);
    FRollUpState = false;
  }
}

void TspSkinPanel::ApplyRollUp(bool Up) {
  FRolling = true;
  try {
    if (Up) {
      if (FRealHeight == -1) {
        FRealHeight = GetHeight();
        HideControls();
        GetSkinData();
        int w = GetWidth();
        int h = GetHeight();
        CalcSize(w, h);
        SetHeight(Skinned() ? GetHeight() - RectHeight(NewClRect) : FDefaultCaptionHeight + 1);
      }
    } else if (FRealHeight != -1) {
      SetHeight(FRealHeight);
      FRealHeight = -1;
      ShowControls();
    }
  } catch (...) {
    FRolling = false;
    throw;
  }
  FRolling = false;
}

void TspSkinPanel::HideControls() {
  DisableAlign();
  for (int i = 0; i < GetControlCount(); ++i) GetControl(i)->SetVisible(false);
}

void TspSkinPanel::ShowControls() {
  for (int i = 0; i < GetControlCount(); ++i) GetControl(i)->SetVisible(true);
  EnableAlign();
}

void TspSkinPanel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft && FCaptionMode && (FCheckedMode || FRollUpMode)) {
    GetSkinData();
    const TRect r = Skinned() ? FCaptionRect : Rect(1, 1, GetWidth() - 1, FDefaultCaptionHeight);
    if (PtInRect(r, Point(X, Y))) {
      if (FCheckedMode) SetChecked(!FChecked);
      if (FRollUpMode) SetRollUpState(!FRollUpState);
    }
  }
  TspSkinCustomControl::MouseUp(Button, Shift, X, Y);
}

// ---------------------------------------------------------------------------------------
// Painting

bool TspSkinPanel::ImageListIconShown() const {
  return !GlyphShown() && FCaptionImageList && FCaptionImageIndex >= 0 &&
         FCaptionImageIndex < FCaptionImageList->GetCount();
}

int TspSkinPanel::IconWidth() const {
  if (ImageListIconShown()) return FCaptionImageList->GetWidth();
  if (GlyphShown()) return FGlyph->GetWidth() / FNumGlyphs;
  return 0;
}

int TspSkinPanel::IconHeight() const {
  if (ImageListIconShown()) return FCaptionImageList->GetHeight();
  if (GlyphShown()) return FGlyph->GetHeight();
  return 0;
}

void TspSkinPanel::DrawIcon(TCanvas* Canvas, int X, int Y) {
  if (ImageListIconShown())
    FCaptionImageList->Draw(Canvas, X, Y, FCaptionImageIndex, GetEnabled());
  else if (GlyphShown())
    DrawGlyph(Canvas, X, Y, FGlyph.get(), FNumGlyphs, GlyphNumber());
}

int TspSkinPanel::CaptionBlockWidth(TCanvas* Canvas) {
  int width = Canvas->TextWidth(GetCaption());
  if (GlyphShown()) width += FGlyph->GetWidth() / FNumGlyphs + FSpacing;
  return width;
}

void TspSkinPanel::SetCaptionFont(TCanvas* Canvas) {
  TFont* font = Canvas->GetFont();
  if (GetUseSkinFont() && Skinned()) {
    font->SetName(FFontName);
    font->SetHeight(FFontHeight);
    font->SetStyle(FFontStyle);
    font->SetCharset(GetDefaultFont()->GetCharset());
  } else {
    font->Assign(GetDefaultFont());
  }
  ApplySkinCharset(font);
}

void TspSkinPanel::DrawSkinPiece(TCanvas* Canvas, const TRect& Piece, int X, int Y) {
  if (!PieceInPicture(Picture, Piece)) return;
  const TColor key = Picture->GetCanvas()->GetPixel(Piece.Left, Piece.Bottom - 1);
  DrawTransparentPiece(Canvas, X, Y, Picture, Piece, key);
}

TColor TspSkinPanel::GetGroupCaptionColor() {
  TspSkinData* data = GetSkinDataComponent();
  if (!data) return clBtnText;
  auto* label = dynamic_cast<TspDataSkinStdLabelControl*>(
      data->ControlRecords.Find(data->GetControlIndex("stdlabel")));
  if (label) return label->FontColor;
  return data->SkinColors->cBtnText;
}

void TspSkinPanel::Paint() {
  if (GetWidth() <= 0 || GetHeight() <= 0) return;
  GetSkinData();
  if (Skinned() && FTransparentMode) {
    PaintTransparent(FCaptionMode);
    return;
  }
  if (!Skinned() || (!GetBorderPaintMode() && StretchEffect)) {
    TspSkinCustomControl::Paint();
    return;
  }
  const bool tiledClient = FBorderStyle == TspSkinBorderStyle::bvNone && !FCaptionMode &&
                           GetBorderPaintMode() && !GetAlphaBlend() &&
                           SkinImageKind == kSkinImageNineParts;
  if (!tiledClient) {
    if (FBGPictureIndex == -1) {
      TspSkinCustomControl::Paint();
      return;
    }
    PaintBackgroundPicture(GetSkinDataComponent()->GetActivePicture(FBGPictureIndex), false);
    return;
  }
  PaintBackgroundPicture(nullptr, true);
}

// Paths of a background picture (Pic) and of the client piece covering the whole control
// (WholeClient, Pic unused).
void TspSkinPanel::PaintBackgroundPicture(TBitmap* Pic, bool WholeClient) {
  const int w = GetWidth();
  const int h = GetHeight();
  int cw = w;
  int ch = h;
  CalcSize(cw, ch);
  TBitmap* image = PaintBitmapIn(FPaintBitmap, w, h);
  TCanvas* canvas = image->GetCanvas();
  TRect source;
  TBitmap* from = Pic;
  if (WholeClient) {
    from = Picture;
    source = OffsetRect(ClRect, SkinRect.Left, SkinRect.Top);
  } else if (Pic && !Pic->GetEmpty()) {
    source = Rect(0, 0, Pic->GetWidth(), Pic->GetHeight());
  }
  // A picture or piece without width or height has nothing to repeat: it is left out.
  if (PieceInPicture(from, source)) {
    const TRect whole(0, 0, w, h);
    if (!StretchEffect)
      TileSkinPiece(canvas, whole, from, source);
    else
      FillSkinClient(canvas, StretchType == stFull && !WholeClient ? NewClRect : whole, from,
                     source, true, StretchType);
  }
  CopyBitmapTo(GetCanvas()->GetHandle(), 0, 0, image);
}

void TspSkinPanel::PaintTransparent(bool Group) {
  const int w = GetWidth();
  const int h = GetHeight();
  TBitmap* image = PaintBitmapIn(FPaintBitmap, w, h);
  TCanvas* canvas = image->GetCanvas();
  GetParentImage(this, canvas);
  TColor frame = clBtnShadow;
  const TPoint at(SkinRect.Left + RectWidth(SkinRect) / 2, SkinRect.Bottom - 1);
  if (Picture && at.X >= 0 && at.Y >= 0 && at.X < Picture->GetWidth() && at.Y < Picture->GetHeight())
    frame = Picture->GetCanvas()->GetPixel(at.X, at.Y);
  canvas->GetPen()->SetColor(frame);
  canvas->GetPen()->SetWidth(1);
  canvas->GetBrush()->SetStyle(bsClear);
  if (!Group) {
    if (FBorderStyle != TspSkinBorderStyle::bvNone) canvas->Rectangle(0, 0, w, h);
  } else {
    if (GetUseSkinFont()) {
      SetCaptionFont(canvas);
    } else {
      canvas->GetFont()->Assign(GetDefaultFont());
    }
    const AnsiString caption = GetCaption();
    const int rowH = canvas->TextHeight(caption) + 5;
    int x = 5;
    FCaptionRect = Rect(x, 0, w, rowH);
    if (FCheckedMode) {
      const TRect piece = FChecked ? FCheckImageRect : FUnCheckImageRect;
      DrawSkinPiece(canvas, piece, x, rowH / 2 - RectHeight(piece) / 2);
      x += RectWidth(piece) + 5;
    }
    int iconX = x;
    if (ImageListIconShown())
      x += FCaptionImageList->GetWidth() + 2;
    else if (GlyphShown())
      x += FGlyph->GetWidth() / FNumGlyphs + 2;
    ApplySkinCharset(canvas->GetFont());
    const TColor color = GetGroupCaptionColor();
    canvas->GetFont()->SetColor(color);
    canvas->GetBrush()->SetStyle(bsClear);
    DrawSingleLineText(canvas, caption, Rect(x, 0, w, rowH));
    const int textW = caption.empty() ? 0 : canvas->TextWidth(caption);
    DrawIcon(canvas, iconX, rowH / 2 - IconHeight() / 2);
    canvas->GetPen()->SetColor(frame);
    int lineFrom = x + textW + 3;
    if (FRollUpMode) {
      DrawArrowImage(canvas, Rect(x + textW + 3, 0, x + textW + 10, rowH), color,
                     FRollUpState ? 4 : 3);
      lineFrom = x + textW + 12;
    }
    canvas->GetPen()->SetColor(frame);
    canvas->MoveTo(lineFrom, rowH / 2);
    canvas->LineTo(w, rowH / 2);
    canvas->MoveTo(0, rowH / 2);
    canvas->LineTo(4, rowH / 2);
    canvas->MoveTo(w - 1, rowH / 2);
    canvas->LineTo(w - 1, h - 1);
    canvas->LineTo(0, h - 1);
    canvas->LineTo(0, rowH / 2);
  }
  PaintHook(canvas);
  CopyBitmapTo(GetCanvas()->GetHandle(), 0, 0, image);
}

void TspSkinPanel::CreateControlSkinImage(TBitmap* B) {
  if (FBorderStyle == TspSkinBorderStyle::bvNone && SkinImageKind == kSkinImageNineParts &&
      !FCaptionMode && !StretchEffect) {
    const TRect piece = OffsetRect(ClRect, SkinRect.Left, SkinRect.Top);
    const TImageKey key = ImageKey(Picture, piece, GetWidth(), GetHeight(), kTiledClientImage);
    if (TBitmap* kept = FindSkinImage(key)) {
      CopyBitmapTo(B->GetCanvas()->GetHandle(), 0, 0, kept);
      return;
    }
    TileSkinPiece(B->GetCanvas(), Rect(0, 0, GetWidth(), GetHeight()), Picture, piece);
    KeepSkinImage(key, B);
    return;
  }
  TspSkinCustomControl::CreateControlSkinImage(B);
  if (SkinImageKind == kSkinImageFixed || SkinImageKind == kSkinImageNone)
    FCaptionRect = FSkinCaptionRect;
  else
    FCaptionRect = MapSkinRectToSize(FSkinCaptionRect);
  if (!GetCaption().empty() && !IsNullRect(FSkinCaptionRect)) DrawSkinCaption(B->GetCanvas());
}

void TspSkinPanel::DrawSkinCaption(TCanvas* Canvas) {
  TRect r = FCaptionRect;
  if (FRollUpMode) r.Right -= 12;
  auto centredTop = [&](int ItemHeight) { return r.Top + RectHeight(r) / 2 - ItemHeight / 2; };
  if (FCheckedMode) {
    const TRect piece = FChecked ? FCheckImageRect : FUnCheckImageRect;
    DrawSkinPiece(Canvas, piece, r.Left, centredTop(RectHeight(piece)));
    r.Left += RectWidth(FCheckImageRect) + 2;
  }
  SetCaptionFont(Canvas);
  Canvas->GetFont()->SetColor(FFontColor);
  const AnsiString caption = GetCaption();
  const int textW = Canvas->TextWidth(caption);
  const int y = centredTop(Canvas->TextHeight(caption));
  const int block = CaptionBlockWidth(Canvas);
  int x = r.Left;
  if (FAlignment == taRightJustify)
    x = r.Right - block;
  else if (FAlignment == taCenter)
    x = r.Left + RectWidth(r) / 2 - block / 2;
  Canvas->GetBrush()->SetStyle(bsClear);
  const bool icon = ImageListIconShown() || GlyphShown();
  const int iconW = IconWidth();
  const int iconY = centredTop(IconHeight());
  int iconX = x;
  if (icon) {
    if (FImagePosition == spipLeft) {
      iconX = r.Left + 2;
      const int after = iconX + iconW + FSpacing;
      if (FAlignment == taLeftJustify)
        x = ImageListIconShown() ? r.Left + iconW + FSpacing + 2 : after;
      else if (FAlignment == taRightJustify)
        x = std::max(r.Right - textW, after);
      else
        x = std::max(r.Left + RectWidth(r) / 2 - textW / 2, after);
    } else {
      iconX = x;
      x += iconW + FSpacing;
    }
  }
  if (FRollUpMode) {
    const TRect box(r.Right, r.Top, r.Right + 10, r.Bottom);
    if (PieceInPicture(Picture, FMarkFrameRect)) {
      const int pw = RectWidth(FMarkFrameRect);
      const int ph = RectHeight(FMarkFrameRect);
      Canvas->CopyRect(Rect(box.Left, box.Top, box.Left + pw, FCaptionRect.Top + ph),
                       Picture->GetCanvas(), FMarkFrameRect);
    }
    DrawArrowImage(Canvas, box, FFontColor, FRollUpState ? 4 : 3);
  }
  if (PieceInPicture(Picture, FFrameRect)) {
    const int d = RectWidth(FFrameRect) - RectWidth(FFrameTextRect);
    TBitmap frame;
    CreateHSkinImage(FFrameLeftOffset, FFrameRightOffset, &frame, Picture, FFrameRect, textW + d,
                     RectHeight(FFrameRect), false);
    int f = x;
    if (FAlignment == taLeftJustify) {
      x += FFrameTextRect.Left;
    } else if (FAlignment == taRightJustify) {
      f = x - d;
      x = x - d + FFrameTextRect.Left;
      iconX -= d;
    } else {
      f = x - FFrameTextRect.Left - 2;
      iconX -= FFrameTextRect.Left;
      x = f + FFrameTextRect.Left;
    }
    CopyBitmapTo(Canvas->GetHandle(), f, FCaptionRect.Top, &frame);
  }
  Canvas->GetBrush()->SetStyle(bsClear);
  Canvas->TextRect(r, x, y, caption);
  if (icon) DrawIcon(Canvas, iconX, iconY);
}

void TspSkinPanel::CreateControlDefaultImage(TBitmap* B) {
  TspSkinCustomControl::CreateControlDefaultImage(B);
  TCanvas* canvas = B->GetCanvas();
  TRect r(0, 0, GetWidth(), GetHeight());
  switch (FBorderStyle) {
    case TspSkinBorderStyle::bvFrame:
      Frame3D(canvas, r, clBtnShadow, clBtnShadow);
      break;
    case TspSkinBorderStyle::bvRaised:
      Frame3D(canvas, r, clBtnHighlight, clBtnShadow);
      break;
    case TspSkinBorderStyle::bvLowered:
      Frame3D(canvas, r, clBtnShadow, clBtnHighlight);
      break;
    case TspSkinBorderStyle::bvNone:
      break;
  }
  if (FCaptionMode) DrawDefaultCaptionBand(canvas);
}

void TspSkinPanel::DrawDefaultCaptionBand(TCanvas* Canvas) {
  TRect band;
  if (FBorderStyle == TspSkinBorderStyle::bvFrame) {
    band = Rect(0, 0, GetWidth(), FDefaultCaptionHeight);
    Frame3D(Canvas, band, clBtnShadow, clBtnShadow);
    Frame3D(Canvas, band, clBtnHighlight, clBtnFace);
  } else {
    band = Rect(1, 1, GetWidth() - 1, FDefaultCaptionHeight);
    Frame3D(Canvas, band, clBtnShadow, clBtnHighlight);
    Frame3D(Canvas, band, clBtnHighlight, clBtnShadow);
  }
  if (FCheckedMode) band.Left += 20;
  if (FRollUpMode) band.Right -= 10;
  Canvas->GetFont()->Assign(GetDefaultFont());
  ApplySkinCharset(Canvas->GetFont());
  const AnsiString caption = GetCaption();
  const int y = band.Top + RectHeight(band) / 2 - Canvas->TextHeight(caption) / 2;
  const int block = CaptionBlockWidth(Canvas);
  int x = band.Left + 2;
  if (FDefaultAlignment == taRightJustify)
    x = band.Right - block;
  else if (FDefaultAlignment == taCenter)
    x = band.Left + 2 + RectWidth(band) / 2 - block / 2;
  if (FCheckedMode) {
    const int boxTop = band.Top + RectHeight(band) / 2 - 7;
    TRect box(5, boxTop, 19, boxTop + 14);
    Frame3D(Canvas, box, clBtnShadow, clBtnShadow);
    if (FChecked) DrawCheckImage(Canvas, box.Left + 3, box.Top + 2, clBtnText);
  }
  const bool icon = ImageListIconShown() || GlyphShown();
  const int iconX = x;
  if (icon) x += IconWidth() + FSpacing;
  Canvas->GetBrush()->SetStyle(bsClear);
  if (!caption.empty()) Canvas->TextRect(band, x, y, caption);
  if (icon) DrawIcon(Canvas, iconX, band.Top + RectHeight(band) / 2 - IconHeight() / 2);
  if (FRollUpMode)
    DrawArrowImage(Canvas, Rect(band.Right, band.Top, band.Right + 10, band.Bottom), clBtnText,
                   FRollUpState ? 4 : 3);
}
