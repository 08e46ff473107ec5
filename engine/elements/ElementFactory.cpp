#include "engine/elements/ElementFactory.h"

#include <new>

#include "engine/effects/Effect.h"
#include "engine/effects/EffectHost.h"
#include "engine/elements/CameraSource.h"
#include "engine/elements/ColorSource.h"
#include "engine/elements/DrawingBoard.h"
#include "engine/elements/FlashSource.h"
#include "engine/elements/FrameElement.h"
#include "engine/elements/ImageSource.h"
#include "engine/elements/PlaylistSource.h"
#include "engine/elements/ScreenSource.h"
#include "engine/elements/TextSource.h"
#include "engine/elements/VideoSource.h"
#include "engine/filters/ImageFilters.h"
#include "engine/filters/MotionFilters.h"
#include "engine/filters/RippleShakeFilters.h"
#include "engine/filters/WarpFilter.h"

IFrameElement* CreateFrameElement(int32_t code, CEffect* owner) {
  switch (code) {
    case ELEMENT_CAMERA: {
      // The engine's own camera is never a camera's default device.
      IEffectHost* host = owner ? owner->GetHost() : nullptr;
      return new (std::nothrow) CCameraSource(host ? host->GetCameraName() : std::string());
    }
    case ELEMENT_IMAGE:
      return new (std::nothrow) CImageSource();
    case ELEMENT_FLASH:
      return new (std::nothrow) CFlashSource();
    case ELEMENT_COLOR:
      return new (std::nothrow) CColorSource();
    case ELEMENT_VIDEO:
      return new (std::nothrow) CVideoSource();
    case ELEMENT_SCREEN:
      return new (std::nothrow) CScreenSource();
    case ELEMENT_TEXT:
      return new (std::nothrow) CTextSource();
    case ELEMENT_COLOR_MATRIX:
      return new (std::nothrow) CColorMatrixFilter();
    case ELEMENT_WARP:
      return new (std::nothrow) CWarpFilter();
    case ELEMENT_MOTION_FIRE:
      return new (std::nothrow) CMotionFireFilter();
    case ELEMENT_EDGE:
      return new (std::nothrow) CEdgeFilter();
    case ELEMENT_MOSAIC:
      return new (std::nothrow) CMosaicFilter();
    case ELEMENT_EMBOSS:
      return new (std::nothrow) CEmbossFilter();
    case ELEMENT_TRAIL:
      return new (std::nothrow) CTrailFilter();
    case ELEMENT_RIPPLE:
      return new (std::nothrow) CRippleFilter();
    case ELEMENT_SNOW:
      return new (std::nothrow) CSnowFilter();
    case ELEMENT_SHAKE:
      return new (std::nothrow) CShakeFilter();
    case ELEMENT_PLAYLIST:
    case ELEMENT_PLAYLIST_ALT:
      return new (std::nothrow) CPlaylistSource();
    case ELEMENT_DRAWING_BOARD:
      return new (std::nothrow) CDrawingBoard();
    default:
      return nullptr;
  }
}
