// A solid colour the size of the output frame (ELEMENT_COLOR). Opened from "@color:0xRRGGBB"
// texts, where the hexadecimal number is a Windows colour reference 0x00BBGGRR.
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/DibSurface.h"
#include "engine/elements/FrameElement.h"

class CColorSource : public CFrameElement {
 public:
  static constexpr int32_t kDefaultColour = 0x119051;
  static constexpr int32_t kMaxColour = 0xFFFFFF;

  CColorSource();

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
  HRESULT AnnounceProperties() override;

  int32_t GetColour() const { return m_colour; }
  CDibSurface& GetPicture() { return m_picture; }

 protected:
  ~CColorSource() override;

 private:
  // A 32-bit picture of the engine's output size in the colour, alpha 255.
  void Rebuild();

  int32_t m_colour = kDefaultColour;
  CDibSurface m_picture;
};

// The colour of a "@color:" text: the text after the 7-character prefix must be "0x"
// followed by hexadecimal digits. The value is limited to 0..0xFFFFFF. False when the text
// does not have that form.
bool ParseColourText(const std::string& path, int32_t* colour);
