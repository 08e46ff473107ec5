// The file layouts the default-camera writers change.
#include "app/DefaultCamFiles.h"

#include <cstdint>

namespace {

constexpr char kFlashKey[] = "defaultcamera";
constexpr size_t kFlashKeyLength = sizeof(kFlashKey) - 1;
constexpr size_t kFlashHeader = 6;           // two bytes and the 4-byte length
constexpr unsigned char kAmfString = 0x02;   // the AMF type byte of a short string
constexpr size_t kMaxShortName = 255;        // the length that one length byte holds

uint8_t ByteAt(const AnsiString& Data, size_t Offset) {
  return static_cast<uint8_t>(Data[Offset]);
}

}  // namespace

AnsiString CameraNameToUtf8(const AnsiString& CameraName) {
  return UTF8Encode(AnsiToWide(CameraName));
}

bool PatchFlashSettings(const AnsiString& Data, const AnsiString& Name, AnsiString& Output) {
  // The header holds no entries: the search starts after it, so the length field written
  // below never makes a name.
  const size_t key = Data.find(kFlashKey, kFlashHeader);
  if (key == AnsiString::npos || key < kFlashHeader + 2) return false;
  // An entry name, not the same letters inside some other value.
  if (ByteAt(Data, key - 2) != 0 || ByteAt(Data, key - 1) != kFlashKeyLength) return false;
  const size_t type = key + kFlashKeyLength;  // then the high and low length bytes
  const size_t low = type + 2;
  if (low >= Data.size()) return false;
  if (ByteAt(Data, type) != kAmfString || ByteAt(Data, type + 1) != 0) return false;
  const size_t oldEnd = low + 1 + ByteAt(Data, low);
  if (oldEnd > Data.size() || Name.size() > kMaxShortName) return false;

  AnsiString out;
  out.reserve(Data.size() - (oldEnd - low - 1) + Name.size());
  out.append(Data, 0, low);
  out.push_back(static_cast<char>(Name.size()));
  out.append(Name);
  out.append(Data, oldEnd, AnsiString::npos);
  const uint64_t rest = static_cast<uint64_t>(out.size()) - kFlashHeader;
  if (rest > UINT32_MAX) return false;
  for (int i = 0; i < 4; ++i) out[2 + i] = static_cast<char>(rest >> (24 - 8 * i));
  Output.swap(out);
  return true;
}

bool PatchVideoDevice(const AnsiString& Text, const AnsiString& Device, AnsiString& Output) {
  static const AnsiString kVideo = "<Video>", kVideoEnd = "</Video>";
  static const AnsiString kDevice = "<Device>", kDeviceEnd = "</Device>";
  const size_t video = Text.find(kVideo);
  if (video == AnsiString::npos) return false;
  const size_t videoEnd = Text.find(kVideoEnd, video + kVideo.size());
  if (videoEnd == AnsiString::npos) return false;
  const size_t device = Text.find(kDevice, video + kVideo.size());
  if (device == AnsiString::npos || device > videoEnd) return false;
  const size_t content = device + kDevice.size();
  const size_t deviceEnd = Text.find(kDeviceEnd, content);
  if (deviceEnd == AnsiString::npos || deviceEnd + kDeviceEnd.size() > videoEnd) return false;
  Output = Text.substr(0, content) + Device + Text.substr(deviceEnd);
  return true;
}

AnsiString XmlEscapeText(const AnsiString& Text) {
  AnsiString out;
  out.reserve(Text.size());
  for (const char c : Text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (u >= 32 || c == '\t' || c == '\n' || c == '\r')
      out.push_back(c);
  }
  return out;
}
