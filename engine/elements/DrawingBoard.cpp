#include "engine/elements/DrawingBoard.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/base/PackageFile.h"
#include "engine/base/SystemUtils.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/PropertyIds.h"
#include "image/Raster.h"

namespace {

// The cursor files of the three tools, below the program's folder.
const char* const kCursorFiles[3] = {"res\\pen.cur", "res\\Eraser.cur", "res\\fill.cur"};

bool IsTool(int32_t tool) { return tool >= BOARD_TOOL_PEN && tool <= BOARD_TOOL_FILL; }

// Blue, green, red of a colour reference; its high byte plays no part.
struct Rgb {
  BYTE blue, green, red;
};
Rgb RgbOf(int32_t colour) {
  const uint32_t c = static_cast<uint32_t>(colour);
  return {BYTE(c >> 16), BYTE(c >> 8), BYTE(c)};
}

}  // namespace

CDrawingBoard::CDrawingBoard() {
  const std::string folder = GetProgramFolder();
  for (int i = 0; i < 3; ++i) {
    m_cursors[i] =
        reinterpret_cast<HCURSOR>(LoadCursorFromFileA((folder + kCursorFiles[i]).c_str()));
  }
}

CDrawingBoard::~CDrawingBoard() {
  for (HCURSOR& cursor : m_cursors) {
    if (cursor) DestroyCursor(cursor);
    cursor = nullptr;
  }
}

int64_t CDrawingBoard::PenWidth(int32_t size, int32_t boardWidth, int32_t boardHeight) {
  const int64_t width = int64_t{1} << (size & 31);
  // Half of that reaches every pixel of the board from any point on it.
  const int64_t covering = 2 * (int64_t{std::max(boardWidth, 1)} + std::max(boardHeight, 1));
  return std::min(width, covering);
}

int64_t CDrawingBoard::EraserReach(int32_t size) {
  const int exponent = size & 31;
  return exponent >= 1 ? int64_t{1} << exponent : 0;
}

HCURSOR CDrawingBoard::GetToolCursor(int32_t tool) const {
  return IsTool(tool) ? m_cursors[tool] : nullptr;
}

void CDrawingBoard::NotifyUndoRedo() {
  NotifyChange(PROP_BOARD_UNDO);
  NotifyChange(PROP_BOARD_REDO);
}

// ---------------------------------------------------------------------------------------
// Properties

HRESULT CDrawingBoard::GetProperty(int32_t id, std::string& value) {
  switch (id) {
    case PROP_BOARD_COLOR:
      value = IntToText(m_colour);
      return S_OK;
    case PROP_BOARD_TOOL:
      value = IntToText(m_tool);
      return S_OK;
    case PROP_BOARD_PEN_SIZE:
      value = IntToText(m_penSize);
      return S_OK;
    case PROP_BOARD_CLEAR:
      value = "1";
      return S_OK;
    case PROP_BOARD_UNDO:
      value = BoolToText(m_undoAvailable);
      return S_OK;
    case PROP_BOARD_REDO:
      value = BoolToText(m_redoAvailable);
      return S_OK;
    default:
      return E_FAIL;
  }
}

HRESULT CDrawingBoard::SetProperty(int32_t id, const std::string& value) {
  switch (id) {
    case PROP_BOARD_COLOR:
      m_colour = ParseInt(value, 0);
      NotifyChange(PROP_BOARD_COLOR);
      return S_OK;
    case PROP_BOARD_TOOL:
      m_tool = ParseInt(value, 0);
      NotifyChange(PROP_BOARD_TOOL);
      return S_OK;
    case PROP_BOARD_PEN_SIZE:
      m_penSize = ParseInt(value, 0);
      NotifyChange(PROP_BOARD_PEN_SIZE);
      return S_OK;
    case PROP_BOARD_CLEAR:
      SaveUndoState();
      NotifyUndoRedo();
      if (m_board.GetBits()) {
        m_board.Clear();
        m_blank = true;
      }
      return S_OK;
    case PROP_BOARD_UNDO:
      ExchangeWithBackup();
      m_undoAvailable = FALSE;
      m_redoAvailable = TRUE;
      NotifyUndoRedo();
      return S_OK;
    case PROP_BOARD_REDO:
      ExchangeWithBackup();
      m_undoAvailable = TRUE;
      m_redoAvailable = FALSE;
      NotifyUndoRedo();
      return S_OK;
    default:
      return E_FAIL;
  }
}

HRESULT CDrawingBoard::AnnounceProperties() {
  for (int32_t id : {PROP_BOARD_COLOR, PROP_BOARD_TOOL, PROP_BOARD_CLEAR, PROP_BOARD_PEN_SIZE,
                     PROP_BOARD_UNDO, PROP_BOARD_REDO}) {
    NotifyChange(id);
  }
  return S_OK;
}

// ---------------------------------------------------------------------------------------
// Undo and redo

HRESULT CDrawingBoard::SaveUndoState() {
  if (!m_board.GetBits()) return E_FAIL;
  // CopyFrom re-creates the backup when its size or depth differ from the board's.
  if (!m_backup.CopyFrom(m_board)) return E_FAIL;
  m_backupBlank = m_blank;
  m_undoAvailable = TRUE;
  m_redoAvailable = FALSE;
  return S_OK;
}

HRESULT CDrawingBoard::ExchangeWithBackup() {
  if (!m_board.GetBits() || !m_backup.GetBits()) return E_FAIL;
  if (m_board.GetWidth() != m_backup.GetWidth() || m_board.GetHeight() != m_backup.GetHeight() ||
      m_board.GetBitsPerPixel() != m_backup.GetBitsPerPixel()) {
    return E_FAIL;
  }
  std::swap_ranges(m_board.GetBits(), m_board.GetBits() + m_board.GetBitsSize(),
                   m_backup.GetBits());
  std::swap(m_blank, m_backupBlank);
  return S_OK;
}

// ---------------------------------------------------------------------------------------
// Size and picture

HRESULT CDrawingBoard::SetFrameSize(int32_t width, int32_t height) {
  if (!m_board.GetBits()) {
    if (!m_board.Create(width, height, 32) || !m_board.GetBits()) return E_FAIL;
    m_board.Clear();
    m_blank = true;
    m_undoAvailable = FALSE;
    m_redoAvailable = FALSE;
    return S_OK;
  }
  if (m_board.GetWidth() == width && m_board.GetHeight() == height) return S_OK;

  // The drawing follows the output size, scaled.
  CDibSurface drawing;
  if (!drawing.CopyFrom(m_board)) return E_FAIL;
  if (!m_board.Create(width, height, 32) || !m_board.GetBits()) return E_FAIL;
  m_board.Clear();
  drawing.BlendScaled(m_board, m_board.GetRect(), drawing.GetRect());
  m_undoAvailable = FALSE;
  m_redoAvailable = FALSE;
  return S_OK;
}

HRESULT CDrawingBoard::LockFrame(CFrameContext*, CFrameLock* lock) {
  if (lock && m_board.GetBits()) {
    lock->picture = &m_board;
    lock->clear = m_blank;
  }
  return S_OK;
}

HRESULT CDrawingBoard::UnlockFrame() { return S_OK; }

HRESULT CDrawingBoard::Render(CFrameContext*, const RECT&) { return E_FAIL; }

BOOL CDrawingBoard::IsFilter() { return FALSE; }

HRESULT CDrawingBoard::GetSize(int32_t* width, int32_t* height) {
  if (width) *width = m_board.GetWidth();
  if (height) *height = m_board.GetHeight();
  return S_OK;
}

// ---------------------------------------------------------------------------------------
// Files: the board only saves, as a still picture.

HRESULT CDrawingBoard::Load(CPackageFile*) { return E_FAIL; }

HRESULT CDrawingBoard::Open(const std::string&) { return E_FAIL; }

HRESULT CDrawingBoard::Save(CPackageFile* package) {
  if (!package) return E_POINTER;
  uint8_t* png = nullptr;
  uint32_t size = 0;
  const HRESULT encoded = m_board.EncodePicture(&png, &size, IMAGE_FORMAT_PNG);
  if (FAILED(encoded)) return encoded;
  uint8_t delay[4];
  for (int i = 0; i < 4; ++i) delay[i] = uint8_t(kSavedFrameDelay >> (8 * i));
  package->SetInt(PROP_IMAGE_FRAME_COUNT, 1);
  package->SetBytes(PROP_IMAGE_FRAME_DELAYS, delay, sizeof delay);
  package->SetBytes(PROP_MEDIA_DATA, png, size);
  CDibSurface::FreeEncoded(png);
  return S_OK;
}

// ---------------------------------------------------------------------------------------
// Drawing

HRESULT CDrawingBoard::MouseInput(UINT message, int32_t x, int32_t y) {
  if (IsTool(m_tool) && m_cursors[m_tool]) SetCursor(m_cursors[m_tool]);
  switch (message) {
    case WM_LBUTTONDOWN:
      m_drawing = TRUE;
      m_toolAtPress = m_tool;
      m_lastX = x;
      m_lastY = y;
      if (IsTool(m_toolAtPress)) {
        SaveUndoState();
        NotifyUndoRedo();
      }
      break;
    case WM_MOUSEMOVE:
      if (!m_drawing) break;
      if (m_toolAtPress == BOARD_TOOL_PEN) {
        DrawPenLine(x, y);
      } else if (m_toolAtPress == BOARD_TOOL_ERASER) {
        EraseLine(x, y);
      }
      break;
    case WM_LBUTTONUP:
      if (!m_drawing) break;
      m_drawing = FALSE;
      if (m_toolAtPress == BOARD_TOOL_FILL) Fill(x, y);
      break;
    default:
      break;
  }
  return S_OK;
}

void CDrawingBoard::DrawPenLine(int32_t x, int32_t y) {
  HDC dc = m_board.GetBits() ? m_board.GetDC() : nullptr;
  if (dc) {
    // GDI leaves alpha 0 in the pixels it draws: with the alpha turned round before and
    // after, those pixels end opaque and all others keep their alpha.
    m_board.InvertAlpha();
    const Rgb c = RgbOf(m_colour);
    m_blank = false;
    const int width =
        static_cast<int>(PenWidth(m_penSize, m_board.GetWidth(), m_board.GetHeight()));
    HPEN pen = CreatePen(PS_SOLID, width, RGB(c.red, c.green, c.blue));
    if (pen) {
      HGDIOBJ previous = SelectObject(dc, pen);
      MoveToEx(dc, m_lastX, m_lastY, nullptr);
      LineTo(dc, x, y);
      SelectObject(dc, previous);
      DeleteObject(pen);
    }
    GdiFlush();
    m_board.InvertAlpha();
  }
  m_lastX = x;
  m_lastY = y;
}

void CDrawingBoard::EraseLine(int32_t x, int32_t y) {
  if (m_board.GetBits()) LineDDA(m_lastX, m_lastY, x, y, &EraseAt, reinterpret_cast<LPARAM>(this));
  m_lastX = x;
  m_lastY = y;
}

void CALLBACK CDrawingBoard::EraseAt(int x, int y, LPARAM board) {
  reinterpret_cast<CDrawingBoard*>(board)->EraseSquare(x, y);
}

void CDrawingBoard::EraseSquare(int32_t x, int32_t y) {
  const int64_t r = EraserReach(m_penSize);
  const int64_t width = m_board.GetWidth(), height = m_board.GetHeight();
  const int64_t left = std::max<int64_t>(0, x - r), right = std::min<int64_t>(width - 1, x + r);
  const int64_t top = std::max<int64_t>(0, y - r), bottom = std::min<int64_t>(height - 1, y + r);
  if (left > right || top > bottom) return;
  for (int64_t row = top; row <= bottom; ++row) {
    BYTE* line = m_board.GetBits() + (height - 1 - row) * m_board.GetStride();
    std::fill(line + left * 4, line + (right + 1) * 4, BYTE{0});
  }
}

// A scan-line flood fill over the colour bytes: the 4-connected area of the colour found at
// the point, whatever the alpha of its pixels, becomes the board's colour, opaque.
void CDrawingBoard::Fill(int32_t x, int32_t y) {
  BYTE* bits = m_board.GetBits();
  if (!bits || m_board.GetBitsPerPixel() != 32) return;
  const int width = m_board.GetWidth(), height = m_board.GetHeight();
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  const size_t stride = size_t(m_board.GetStride());
  auto pixel = [&](int px, int py) {
    return bits + size_t(height - 1 - py) * stride + size_t(px) * 4;
  };

  const BYTE* seed = pixel(x, y);
  const Rgb target = {seed[0], seed[1], seed[2]};
  m_blank = false;
  const Rgb colour = RgbOf(m_colour);
  // Filled pixels may still have the target colour (a fill in the colour already there),
  // so the pixels already taken are remembered apart.
  std::vector<uint8_t> taken(size_t(width) * size_t(height), 0);
  auto open = [&](int px, int py) {
    if (taken[size_t(py) * size_t(width) + size_t(px)]) return false;
    const BYTE* p = pixel(px, py);
    return p[0] == target.blue && p[1] == target.green && p[2] == target.red;
  };

  std::vector<std::pair<int, int>> seeds{{x, y}};
  while (!seeds.empty()) {
    const auto [sx, sy] = seeds.back();
    seeds.pop_back();
    if (!open(sx, sy)) continue;
    int left = sx, right = sx;
    while (left > 0 && open(left - 1, sy)) --left;
    while (right + 1 < width && open(right + 1, sy)) ++right;
    for (int px = left; px <= right; ++px) {
      taken[size_t(sy) * size_t(width) + size_t(px)] = 1;
      BYTE* p = pixel(px, sy);
      p[0] = colour.blue;
      p[1] = colour.green;
      p[2] = colour.red;
      p[3] = 255;
    }
    // One seed for every run of open pixels next to the span, above and below.
    for (int ny : {sy - 1, sy + 1}) {
      if (ny < 0 || ny >= height) continue;
      bool inRun = false;
      for (int px = left; px <= right; ++px) {
        const bool isOpen = open(px, ny);
        if (isOpen && !inRun) seeds.emplace_back(px, ny);
        inRun = isOpen;
      }
    }
  }
}
