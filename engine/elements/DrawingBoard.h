// The drawing board (ELEMENT_DRAWING_BOARD): the user draws over the output picture with
// the mouse in the preview, with a pen, an eraser and a flood fill, in one colour and a
// power-of-two pen size, with one level of undo and redo. The board is a transparent
// 32-bit picture the size of the output frame; strokes and fills are opaque, the eraser
// makes pixels transparent again. Saved, the board is a still picture in the image
// element's items, so that it loads back as an image element.
//
// The mouse reaches the board through MouseInput (from the compositor's preview mouse
// path, on the main thread); the compositor's lock keeps that apart from the frame thread's
// SetFrameSize and LockFrame, so the board takes no lock of its own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/base/DibSurface.h"
#include "engine/elements/FrameElement.h"

// Tools (PROP_BOARD_TOOL values); other values draw nothing.
constexpr int32_t BOARD_TOOL_PEN = 0;
constexpr int32_t BOARD_TOOL_ERASER = 1;
constexpr int32_t BOARD_TOOL_FILL = 2;

class CDrawingBoard : public CFrameElement {
 public:
  static constexpr int32_t kDefaultColour = 0xFFFF00;
  static constexpr int32_t kDefaultPenSize = 2;
  // The pen size is kept as set; the pen is 1 << (size mod 32) pixels wide (the low five
  // bits, as a shift by the size takes them), no wider than it takes to cover the whole board
  // from any point, and the eraser clears squares of 2 * 2^(size mod 32) + 1 pixels (single
  // pixels where that exponent is 0).
  static int64_t PenWidth(int32_t size, int32_t boardWidth, int32_t boardHeight);
  static int64_t EraserReach(int32_t size);
  // The single frame of a saved board lasts this long.
  static constexpr uint32_t kSavedFrameDelay = 1000;

  CDrawingBoard();

  HRESULT GetProperty(int32_t id, std::string& value) override;
  HRESULT SetProperty(int32_t id, const std::string& value) override;
  HRESULT Load(CPackageFile* package) override;
  HRESULT Open(const std::string& path) override;
  HRESULT Save(CPackageFile* package) override;
  HRESULT LockFrame(CFrameContext* context, CFrameLock* lock) override;
  HRESULT UnlockFrame() override;
  HRESULT Render(CFrameContext* context, const RECT& destination) override;
  BOOL IsFilter() override;
  HRESULT GetSize(int32_t* width, int32_t* height) override;
  // Mouse messages in board pixels, y counted from the top: the left button starts a
  // stroke (and keeps the undo state), moves draw with the pen or the eraser, releasing
  // the button fills when the stroke began with the fill tool.
  HRESULT MouseInput(UINT message, int32_t x, int32_t y) override;
  // The output size before every frame: the board is made at that size, or scaled to it.
  HRESULT SetFrameSize(int32_t width, int32_t height) override;
  HRESULT AnnounceProperties() override;

  // Direct access to the drawing; the board no longer takes itself for blank.
  CDibSurface& GetBoard() {
    m_blank = false;
    return m_board;
  }
  CDibSurface& GetBackup() { return m_backup; }
  int32_t GetColour() const { return m_colour; }
  int32_t GetTool() const { return m_tool; }
  int32_t GetPenSize() const { return m_penSize; }
  BOOL IsDrawing() const { return m_drawing; }
  BOOL IsUndoAvailable() const { return m_undoAvailable; }
  BOOL IsRedoAvailable() const { return m_redoAvailable; }
  // The cursor of a tool (res\pen.cur, res\Eraser.cur, res\fill.cur); null when the file
  // could not be loaded or for other tools.
  HCURSOR GetToolCursor(int32_t tool) const;

 protected:
  ~CDrawingBoard() override;

 private:
  // Copies the board into the backup; undo available, redo not. E_FAIL without board.
  HRESULT SaveUndoState();
  // Swaps the pixels of board and backup; E_FAIL unless both exist alike.
  HRESULT ExchangeWithBackup();
  void DrawPenLine(int32_t x, int32_t y);
  void EraseLine(int32_t x, int32_t y);
  static void CALLBACK EraseAt(int x, int y, LPARAM board);
  void EraseSquare(int32_t x, int32_t y);
  void Fill(int32_t x, int32_t y);
  void NotifyUndoRedo();

  int32_t m_colour = kDefaultColour;
  int32_t m_tool = BOARD_TOOL_PEN;
  int32_t m_penSize = kDefaultPenSize;
  BOOL m_drawing = FALSE;
  int32_t m_lastX = 0;
  int32_t m_lastY = 0;
  int32_t m_toolAtPress = BOARD_TOOL_PEN;
  BOOL m_undoAvailable = FALSE;
  BOOL m_redoAvailable = FALSE;
  CDibSurface m_board;
  CDibSurface m_backup;
  // Nothing has been drawn on the board (or the backup) since it was made or cleared: every
  // pixel is transparent, and the frame need not blend it.
  bool m_blank = true;
  bool m_backupBlank = true;
  HCURSOR m_cursors[3] = {nullptr, nullptr, nullptr};
};
