#include "engine/elements/ElementFactory.h"

#include <new>

#include "engine/effects/Effect.h"
#include "engine/effects/EffectHost.h"
#include "engine/elements/CameraSource.h"
#include "engine/elements/ColorSource.h"
#include "engine/elements/DrawingBoard.h"
#include "engine/elements/FrameElement.h"
#include "engine/elements/ImageSource.h"
#include "engine/elements/PlaylistSource.h"
#include "engine/elements/ScreenSource.h"
#include "engine/elements/TextSource.h"
#include "engine/elements/VideoSource.h"

IFrameElement* CreateFrameElement(int32_t code, CEffect* owner) {
  switch (code) {
    case ELEMENT_CAMERA: {
      // The engine's own camera is never a camera's default device.
      IEffectHost* host = owner ? owner->GetHost() : nullptr;
      return new (std::nothrow) CCameraSource(host ? host->GetCameraName() : std::string());
    }
    case ELEMENT_IMAGE:
      return new (std::nothrow) CImageSource();
    case ELEMENT_COLOR:
      return new (std::nothrow) CColorSource();
    case ELEMENT_VIDEO:
      return new (std::nothrow) CVideoSource();
    case ELEMENT_SCREEN:
      return new (std::nothrow) CScreenSource();
    case ELEMENT_TEXT:
      return new (std::nothrow) CTextSource();
    case ELEMENT_PLAYLIST:
    case ELEMENT_PLAYLIST_ALT:
      return new (std::nothrow) CPlaylistSource();
    case ELEMENT_DRAWING_BOARD:
      return new (std::nothrow) CDrawingBoard();
    default:
      return nullptr;
  }
}
