// The value types of the user interface that portable code shares with the Graphics unit:
// colours, font styles, character sets and text alignment. Portable: no Windows header,
// so skin files and other layout descriptions are read natively too. The system colours
// that need the system's colour indexes are in Graphics.h.
#pragma once

#include <cstdint>

#include "framework/System.h"

// A colour: 0x00BBGGRR for an RGB value (red in the low byte), or a system colour
// (clSystemColor with the system's colour index in the low byte), or clNone / clDefault
// (Graphics.h).
using TColor = int32_t;

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000);
constexpr TColor SystemColor(int Index) {
  return static_cast<TColor>(0xFF000000u | unsigned(Index));
}

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
// A font's character set (DEFAULT_CHARSET is 1).
using TFontCharset = uint8_t;

// How a text lies in its space across.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
