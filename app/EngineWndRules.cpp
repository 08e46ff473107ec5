#include "app/EngineWndRules.h"

#include "app/SPTools.h"
#include "app/Settings.h"

namespace {
AnsiString FilterEntry(const AnsiString& Label, const AnsiString& Patterns) {
  return Label + "(" + Patterns + ")|" + Patterns + "|";
}
}  // namespace

AnsiString MediaFilter(int Kind, const AnsiString& Pictures, const AnsiString& Flash,
                       const AnsiString& Video, const TTextLookup& GetText) {
  const AnsiString pictures = FilterEntry(GetText("strPictureFiles"), Pictures);
  const AnsiString flash = FilterEntry(GetText("strFlashFiles"), Flash);
  AnsiString filter;
  switch (Kind) {
    case mdkAllMedia:
      filter = FilterEntry(GetText("strAllKnownMediaFiles"), Pictures + ";" + Flash + ";" + Video) +
               pictures + flash + FilterEntry(GetText("strMovieFiles"), Video);
      break;
    case mdkPictures:
      filter = pictures;
      break;
    case mdkFlash:
      filter = flash;
      break;
    case mdkPicturesAndFlash:
      filter = FilterEntry(GetText("strAllKnownMediaFiles"), Pictures + ";" + Flash) + pictures +
               flash;
      break;
    default:
      break;
  }
  return filter + GetText("strAllFiles") + "(*.*)|*.*||";
}

AnsiString EngineEventText(int Code, const AnsiString& EngineText, const TTextLookup& GetText) {
  const AnsiString text = FormatArgs(GetText("ERRORMSG_" + IntToStr(Code)), {EngineText});
  return text.empty() ? EngineText : text;
}

int ShowWithShowAgain(TSettings& Settings, int ShowAgainId, int DefaultResult,
                      const TShowMessage& Show) {
  bool stop = false;
  if (ShowAgainId == 0) return Show(false, stop);
  if (!Settings.GetShowAgain(ShowAgainId))
    return DefaultResult != 0 ? DefaultResult : Settings.GetShowAgainResult(ShowAgainId);
  const int result = Show(true, stop);
  if (stop) {
    Settings.SetShowAgain(ShowAgainId, false);
    Settings.SetShowAgainResult(ShowAgainId, result);
  }
  return result;
}
