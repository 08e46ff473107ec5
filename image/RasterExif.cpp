#include "image/RasterExif.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "image/RasterStream.h"

namespace {

// Bytes of one value of each EXIF format (1 to 12).
constexpr uint32_t kFormatBytes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
// Directory links followed below the first directory.
constexpr int kMaxDepth = 8;

// The unit table of the resolution tags: the factor that turns a resolution into dots per
// inch; 0 for values that leave the field as it was.
double UnitFactor(int unit) {
  switch (unit) {
    case 1:
    case 2:
      return 1.0;
    case 3:
      return 0.3937008;
    case 4:
      return 0.03937008;
    case 5:
      return 0.00003937008;
    default:
      return 0;
  }
}

// A value as a 32-bit integer: its integer part, clamped to the range (NaN gives 0).
int32_t ToInt(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return int32_t(v);
}

// A value as a single-precision real, clamped to its range.
float Real(double v) {
  if (!(v == v)) return 0;
  return float(std::max(-3.0e38, std::min(v, 3.0e38)));
}

// Copies up to `limit` characters of a value of `n` bytes, NUL-terminated.
void CopyText(char* field, size_t fieldSize, const uint8_t* value, uint64_t n) {
  const size_t count = size_t(std::min<uint64_t>(n, fieldSize - 1));
  std::memcpy(field, value, count);
  field[count] = '\0';
}

}  // namespace

CRasterExifReader::CRasterExifReader(CRasterExifRecord* record) : m_record(record) {
  if (!m_record) {
    m_ownRecord.reset(new CRasterExifRecord());
    m_record = m_ownRecord.get();
  }
}

CRasterExifReader::~CRasterExifReader() = default;

void CRasterExifReader::SetError(const char* text) {
  std::strncpy(m_error, text, sizeof m_error - 1);
  m_error[sizeof m_error - 1] = '\0';
}

uint32_t CRasterExifReader::Get16(const uint8_t* p) const {
  return m_motorola ? uint32_t(p[0]) << 8 | p[1] : uint32_t(p[1]) << 8 | p[0];
}

uint32_t CRasterExifReader::Get32(const uint8_t* p) const {
  return m_motorola ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                    : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

double CRasterExifReader::ConvertValue(const uint8_t* value, int format) const {
  switch (format) {
    case 1:
      return value[0];
    case 3:
      return Get16(value);
    case 4:
      return Get32(value);
    case 5:
    case 10: {
      const int32_t num = int32_t(Get32(value));
      const int32_t den = int32_t(Get32(value + 4));
      return den == 0 ? 0 : double(num) / double(den);
    }
    case 6:
      return int8_t(value[0]);
    case 8:
      return int16_t(Get16(value));
    case 9:
      return int32_t(Get32(value));
    case 11: {
      const uint32_t bits = Get32(value);
      float f;
      std::memcpy(&f, &bits, 4);
      return std::isfinite(f) ? f : 0;
    }
    case 12: {
      const uint64_t bits = uint64_t(Get32(m_motorola ? value : value + 4)) << 32 |
                            Get32(m_motorola ? value + 4 : value);
      double d;
      std::memcpy(&d, &bits, 8);
      return std::isfinite(d) ? d : 0;
    }
    default:
      return 0;
  }
}

void CRasterExifReader::ReadFrameHeader(const Section& section, int32_t marker) {
  // Length bytes, precision, height (2), width (2), components.
  if (section.data.size() < 8) return;
  const uint8_t* d = section.data.data();
  m_record->height = d[3] << 8 | d[4];
  m_record->width = d[5] << 8 | d[6];
  m_record->isColor = d[7] == 3;
  m_record->process = marker;
}

void CRasterExifReader::ReadComment(const Section& section) {
  const size_t length = std::min<size_t>(section.data.size(), 1000);
  size_t out = 0;
  for (size_t i = 2; i < length; ++i) {
    const uint8_t c = section.data[i];
    if (c == '\r' && i + 1 < length && section.data[i + 1] == '\n') continue;
    if ((c >= 0x20 && c < 0x7F) || c == '\n' || c == '\t')
      m_record->comments[out++] = char(c);
    else
      m_record->comments[out++] = '?';
    if (out >= sizeof m_record->comments - 1) break;
  }
  m_record->comments[out] = '\0';
}

bool CRasterExifReader::ReadSections(CRasterStream* stream, int mode) {
  if (!stream) return false;
  if (stream->GetChar() != 0xFF || stream->GetChar() != 0xD8) return false;
  bool commentRead = false;
  int held = 0;
  while (held < kMaxSections) {
    int marker = 0;
    int padding = 0;
    for (;;) {
      marker = stream->GetChar();
      if (marker != 0xFF) break;
      if (++padding >= 7) {
        std::printf("too many padding bytes\n");
        return false;
      }
    }
    if (marker < 0) {
      SetError("Premature end of file?");
      return false;
    }
    const int hi = stream->GetChar();
    const int lo = stream->GetChar();
    if (hi < 0 || lo < 0) {
      SetError("Premature end of file?");
      return false;
    }
    const size_t length = size_t(hi) << 8 | size_t(lo);
    if (length < 2) {
      SetError("invalid marker");
      return false;
    }
    Section section;
    section.type = marker;
    section.data.resize(length);
    section.data[0] = uint8_t(hi);
    section.data[1] = uint8_t(lo);
    if (stream->Read(section.data.data() + 2, 1, length - 2) != length - 2) {
      SetError("Premature end of file?");
      return false;
    }
    ++held;
    switch (marker) {
      case 0xC0: case 0xC1: case 0xC2: case 0xC3: case 0xC5: case 0xC6: case 0xC7:
      case 0xC9: case 0xCA: case 0xCB: case 0xCD: case 0xCE: case 0xCF:
        ReadFrameHeader(section, marker);
        m_sections.push_back(std::move(section));
        break;
      case 0xD9:
        std::printf("No image in jpeg!\n");
        return false;
      case 0xDA: {
        m_sections.push_back(std::move(section));
        if (mode & kReadImageData) {
          // Everything after the start of scan, read in pieces up to the end.
          Section image;
          image.type = kImageData;
          uint8_t buffer[65536];
          for (;;) {
            const size_t got = stream->Read(buffer, 1, sizeof buffer);
            if (got == 0) break;
            image.data.insert(image.data.end(), buffer, buffer + got);
          }
          m_sections.push_back(std::move(image));
        }
        return true;
      }
      case 0xE0:
        break;  // a JFIF header is written anew
      case 0xE1:
        if ((mode & kReadExif) && length >= 6 && std::memcmp(section.data.data() + 2, "Exif", 4) == 0) {
          m_record->isExif = ParseExif(section.data.data() + 2, length - 2);
          m_sections.push_back(std::move(section));
        }
        break;
      case 0xFE:
        if ((mode & kReadExif) && !commentRead) {
          ReadComment(section);
          commentRead = true;
          m_sections.push_back(std::move(section));
        }
        break;
      default:
        m_sections.push_back(std::move(section));
        break;
    }
  }
  SetError("Too many sections in jpg file");
  return false;
}

bool CRasterExifReader::ParseExif(const uint8_t* body, size_t length) {
  m_record->flashUsed = 0;
  m_record->comments[0] = '\0';
  m_exifImageWidth = 0;
  m_visited.clear();
  m_orientations.clear();
  m_body = body;
  if (length < 6 || std::memcmp(body, "Exif\0\0", 6) != 0) {
    SetError("Incorrect Exif header");
    return false;
  }
  const uint8_t* tiff = body + 6;
  const uint64_t tiffLength = length - 6;
  if (tiffLength < 8) {
    SetError("Invalid Exif start (1)");
    return false;
  }
  if (std::memcmp(tiff, "II", 2) == 0) {
    m_motorola = false;
  } else if (std::memcmp(tiff, "MM", 2) == 0) {
    m_motorola = true;
  } else {
    SetError("Invalid Exif alignment marker.");
    return false;
  }
  if (Get16(tiff + 2) != 42) {
    SetError("Invalid Exif start (1)");
    return false;
  }
  const uint64_t first = Get32(tiff + 4);
  if (first < 8 || first >= tiffLength) {
    SetError("Illegal subdirectory link");
    return false;
  }
  if (!ParseDirectory(tiff, tiffLength, first, 0)) return false;
  if (m_record->focalplaneXRes != 0)
    m_record->ccdWidth =
        Real(double(m_exifImageWidth) * m_record->focalplaneUnits / m_record->focalplaneXRes);
  return true;
}

bool CRasterExifReader::ParseDirectory(const uint8_t* tiff, uint64_t length, uint64_t offset,
                                       int depth) {
  if (depth > kMaxDepth || std::find(m_visited.begin(), m_visited.end(), offset) != m_visited.end()) {
    SetError("Illegal subdirectory link");
    return false;
  }
  m_visited.push_back(offset);
  if (offset + 2 > length) {
    SetError("Illegally sized directory");
    return false;
  }
  const uint64_t entries = Get16(tiff + offset);
  if (offset + 2 + 12 * entries > length) {
    SetError("Illegally sized directory");
    return false;
  }
  uint64_t thumbnailOffset = 0, thumbnailSize = 0;
  for (uint64_t e = 0; e < entries; ++e) {
    const uint8_t* entry = tiff + offset + 2 + 12 * e;
    const uint32_t tag = Get16(entry);
    const uint32_t format = Get16(entry + 2);
    const uint64_t count = Get32(entry + 4);
    if (format < 1 || format > 12) {
      SetError("Illegal format code in EXIF dir");
      return false;
    }
    const uint64_t bytes = count * kFormatBytes[format];  // at most 2^32 x 8: no overflow
    const uint8_t* value = entry + 8;
    if (bytes > 4) {
      const uint64_t at = Get32(entry + 8);
      if (at + bytes > length) {
        SetError("Illegal pointer offset value in EXIF.");
        return false;
      }
      value = tiff + at;
    }
    // A number needs one whole value; texts take what there is.
    const bool number = bytes >= kFormatBytes[format] && count > 0;
    const double v = number ? ConvertValue(value, int(format)) : 0;
    CRasterExifRecord& r = *m_record;
    switch (tag) {
      case 0x010F:
        CopyText(r.cameraMake, sizeof r.cameraMake, value, bytes);
        break;
      case 0x0110:
        CopyText(r.cameraModel, sizeof r.cameraModel, value, bytes);
        break;
      case 0x9003:
        CopyText(r.dateTime, sizeof r.dateTime, value, bytes);
        break;
      case 0x9000:
        CopyText(r.version, sizeof r.version, value, std::min<uint64_t>(bytes, 4));
        break;
      case 0x0112:
        if (number && (format == 3 || format == 4)) m_orientations.emplace_back(uint64_t(value - m_body), format);
        r.orientation = ToInt(v);
        if (r.orientation < 1 || r.orientation > 8) {
          SetError("Undefined rotation value");
          r.orientation = 0;
        }
        break;
      case 0x9286: {
        // User comment: trailing blanks cut; "ASCII" values from their first character.
        uint64_t n = bytes;
        while (n > 0 && (value[n - 1] == ' ' || value[n - 1] == '\0')) --n;
        if (n >= 5 && std::memcmp(value, "ASCII", 5) == 0) {
          uint64_t start = 5;
          while (start < 10 && start < n && (value[start] == '\0' || value[start] == ' ')) ++start;
          if (start < n) CopyText(r.comments, 200, value + start, n - start);
        } else {
          CopyText(r.comments, sizeof r.comments, value, n);
        }
        break;
      }
      case 0x829D:
        r.apertureFNumber = Real(v);
        break;
      case 0x9202:
      case 0x9205:
        if (r.apertureFNumber == 0) r.apertureFNumber = Real(std::exp2(std::min(v, 256.0) / 2));
        break;
      case 0x920A:
        r.focalLength = Real(v);
        break;
      case 0x9206:
        r.distance = Real(v);
        break;
      case 0x829A:
        r.exposureTime = Real(v);
        break;
      case 0x9201:
        if (r.exposureTime == 0) r.exposureTime = Real(1 / std::exp2(std::max(std::min(v, 256.0), -256.0)));
        break;
      case 0x9209:
        r.flashUsed = (ToInt(v) & 7) != 0;
        break;
      case 0x9208:
        r.whitebalance = ToInt(v);
        break;
      case 0x9207:
        r.meteringMode = ToInt(v);
        break;
      case 0x8822:
        r.exposureProgram = ToInt(v);
        break;
      case 0x8827:
        r.isoEquivalent = ToInt(v);
        if (r.isoEquivalent < 50) r.isoEquivalent = ToInt(double(r.isoEquivalent) * 200);
        break;
      case 0x9102:
        r.compressionLevel = ToInt(v);
        break;
      case 0xA20E:
        r.focalplaneXRes = Real(v);
        break;
      case 0xA20F:
        r.focalplaneYRes = Real(v);
        break;
      case 0xA210:
        if (UnitFactor(ToInt(v)) != 0) r.focalplaneUnits = float(UnitFactor(ToInt(v)));
        break;
      case 0x011A:
        r.xResolution = Real(v);
        break;
      case 0x011B:
        r.yResolution = Real(v);
        break;
      case 0x0128:
        if (UnitFactor(ToInt(v)) != 0) r.resolutionUnit = float(UnitFactor(ToInt(v)));
        break;
      case 0x9203:
        r.brightness = Real(v);
        break;
      case 0x9204:
        r.exposureBias = Real(v);
        break;
      case 0xA002:
      case 0xA003:
        m_exifImageWidth = std::max(m_exifImageWidth, ToInt(v));
        break;
      case 0x0201:
        thumbnailOffset = uint64_t(std::max(ToInt(v), 0));
        break;
      case 0x0202:
        thumbnailSize = uint64_t(std::max(ToInt(v), 0));
        break;
      case 0x8769:
      case 0xA005: {
        const uint64_t sub = number && format == 4 ? Get32(value) : 0;
        if (sub > 8) {
          if (sub >= length) {
            SetError("Illegal subdirectory link");
            return false;
          }
          if (!ParseDirectory(tiff, length, sub, depth + 1)) return false;
        }
        break;
      }
      default:
        break;
    }
  }
  // The link to the next directory (the thumbnail's), when the directory has room for it.
  const uint64_t linkAt = offset + 2 + 12 * entries;
  if (linkAt + 4 <= length) {
    const uint64_t next = Get32(tiff + linkAt);
    if (next != 0) {
      if (next >= length) {
        SetError("Illegal subdirectory link");
        return false;
      }
      if (!ParseDirectory(tiff, length, next, depth + 1)) return false;
    }
  }
  if (thumbnailOffset && thumbnailSize && thumbnailOffset + thumbnailSize <= length &&
      thumbnailSize <= INT32_MAX) {
    m_record->thumbnail = tiff + thumbnailOffset;
    m_record->thumbnailSize = int32_t(thumbnailSize);
  }
  return true;
}

void CRasterExifReader::ResetOrientation() {
  if (m_record->orientation != 0) m_record->orientation = 1;
  for (Section& s : m_sections) {
    if (s.type != 0xE1) continue;
    for (const auto& [at, format] : m_orientations) {
      const uint64_t bytes = format == 3 ? 2 : 4;
      if (s.data.size() < 2 || at + bytes > s.data.size() - 2) continue;
      uint8_t* p = s.data.data() + 2 + at;
      std::memset(p, 0, size_t(bytes));
      p[m_motorola ? bytes - 1 : 0] = 1;
    }
    break;
  }
}

void CRasterExifReader::KeepExifAndComment() {
  std::vector<Section> kept;
  for (int32_t type : {0xE1, 0xFE})
    for (Section& s : m_sections)
      if (s.type == type) {
        kept.push_back(std::move(s));
        break;
      }
  m_sections = std::move(kept);
}

void CRasterExifReader::KeepSectionsOf(const CRasterExifReader& other) {
  for (int32_t type : {0xE1, 0xFE})
    if (const Section* s = other.FindSection(type)) m_sections.push_back(*s);
}

const CRasterExifReader::Section* CRasterExifReader::FindSection(int32_t type) const {
  for (const Section& s : m_sections)
    if (s.type == type) return &s;
  return nullptr;
}

bool CRasterExifReader::WriteSections(CRasterStream* stream) {
  if (!stream || !FindSection(0xDA) || m_sections.back().type != kImageData) {
    SetError("Can't write exif : didn't read all");
    return false;
  }
  static const uint8_t kStart[2] = {0xFF, 0xD8};
  static const uint8_t kJfif[18] = {0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46, 0x00,
                                    0x01, 0x01, 0x01, 0x01, 0x2C, 0x01, 0x2C, 0x00, 0x00};
  auto write = [&](const uint8_t* p, size_t n) { return n == 0 || stream->Write(p, 1, n) == n; };
  bool ok = write(kStart, 2);
  if (ok && m_sections.front().type != 0xE1 && m_sections.front().type != 0xE0)
    ok = write(kJfif, sizeof kJfif);
  for (size_t i = 0; ok && i + 1 < m_sections.size(); ++i) {
    const uint8_t head[2] = {0xFF, uint8_t(m_sections[i].type)};
    ok = write(head, 2) && write(m_sections[i].data.data(), m_sections[i].data.size());
  }
  if (ok) ok = write(m_sections.back().data.data(), m_sections.back().data.size());
  return ok;
}
