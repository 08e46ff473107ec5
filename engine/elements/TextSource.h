// A text as a picture (ELEMENT_TEXT): a font, a colour, a one-pixel shadow, a padded box and
// a border, rendered by GDI into a 32-bit picture whose alpha makes everything but the text,
// shadow, box and border transparent, and those at the chosen opacity. Lines wrap at 1024
// pixels.
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/DibSurface.h"
#include "engine/elements/FrameElement.h"

class CTextSource : public CFrameElement {
 public:
  static constexpr int32_t kNoColour = -1;
  static constexpr int32_t kMinSize = 5;
  static constexpr int32_t kMaxSize = 100;
  static constexpr int kWrapWidth = 1024;

  CTextSource();

  HRESULT GetProperty(int32_t id, std::string& value) override;
  HRESULT SetProperty(int32_t id, const std::string& value) override;
  HRESULT Load(CPackageFile* package) override;
  HRESULT Open(const std::string& path) override;
  HRESULT Save(CPackageFile* package) override;
  // Renders first when there is no picture yet.
  HRESULT LockFrame(CFrameContext* context, CFrameLock* lock) override;
  HRESULT UnlockFrame() override;
  HRESULT Render(CFrameContext* context, const RECT& destination) override;
  BOOL IsFilter() override;
  HRESULT GetSize(int32_t* width, int32_t* height) override;
  HRESULT AnnounceProperties() override;

  // Draws the text into a new picture.
  void RenderText();

  CDibSurface& GetPicture() { return m_picture; }
  const std::string& GetText() const { return m_text; }
  const std::string& GetFontName() const { return m_font; }
  int32_t GetFontSize() const { return m_size; }
  int32_t GetColour() const { return m_colour; }
  int32_t GetShadowColour() const { return m_shadowColour; }
  int32_t GetBoxColour() const { return m_boxColour; }
  int32_t GetBorderColour() const { return m_borderColour; }
  BYTE GetOpacity() const { return m_opacity; }

 protected:
  ~CTextSource() override;

 private:
  CDibSurface m_picture;
  std::string m_text = "Text";
  std::string m_font = "Arial";
  int32_t m_size = 20;
  int32_t m_colour = 255;
  int32_t m_shadowColour = 0xFFFFFF;
  int32_t m_boxColour = static_cast<int32_t>(0xFF000000u);
  int32_t m_borderColour = static_cast<int32_t>(0xFF000000u);
  BYTE m_opacity = 200;
  int32_t m_pictureWidth = 0;
  int32_t m_pictureHeight = 0;
};
