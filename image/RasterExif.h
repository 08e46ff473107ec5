// The marker sections of a JPEG stream: read (at most 20 before the start of scan, plus
// the image data after it), the EXIF data of an APP1 section and a comment section
// decoded into a record, and the kept sections written back as a JPEG stream. The JPEG
// class takes a picture's resolution from the record and carries a decoded file's EXIF
// and comment sections into the files it writes.
//
// Every read of the EXIF data is bounded by the real end of the section, in 64-bit
// arithmetic; directory links are followed at most a few levels deep and never twice.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class CRasterStream;

struct CRasterExifRecord {
  char version[5];
  char cameraMake[32];
  char cameraModel[40];
  char dateTime[20];
  int32_t height;
  int32_t width;
  int32_t orientation;
  int32_t isColor;
  int32_t process;
  int32_t flashUsed;
  float focalLength;
  float exposureTime;
  float apertureFNumber;
  float distance;
  float ccdWidth;
  float exposureBias;
  int32_t whitebalance;  // the light source tag
  int32_t meteringMode;
  int32_t exposureProgram;
  int32_t isoEquivalent;
  int32_t compressionLevel;
  float focalplaneXRes;
  float focalplaneYRes;
  float focalplaneUnits;
  float xResolution;
  float yResolution;
  float resolutionUnit;
  float brightness;
  char comments[1000];
  const uint8_t* thumbnail;  // inside the reader's APP1 section; null when none
  int32_t thumbnailSize;
  int32_t isExif;
};

class CRasterExifReader {
 public:
  // Marker type of the section that holds the image data after the start of scan.
  static constexpr int32_t kImageData = 0x123;
  static constexpr int kMaxSections = 20;
  // ReadSections modes.
  static constexpr int kReadExif = 1;
  static constexpr int kReadImageData = 2;

  struct Section {
    std::vector<uint8_t> data;  // the two length bytes, then the body (image data: all)
    int32_t type = 0;
  };

  // Uses the given record without owning it, or makes and owns a zeroed one.
  explicit CRasterExifReader(CRasterExifRecord* record = nullptr);
  ~CRasterExifReader();
  CRasterExifReader(const CRasterExifReader&) = delete;
  CRasterExifReader& operator=(const CRasterExifReader&) = delete;

  bool ReadSections(CRasterStream* stream, int mode);
  // `body` begins with "Exif" (the section after its two length bytes), `length` bytes.
  bool ParseExif(const uint8_t* body, size_t length);
  void KeepExifAndComment();
  // Takes copies of the other reader's first APP1 and comment sections.
  void KeepSectionsOf(const CRasterExifReader& other);
  // The first section of the type, or null.
  const Section* FindSection(int32_t type) const;
  bool WriteSections(CRasterStream* stream);
  // Sets every Orientation tag of the kept EXIF section, and the record's orientation, to
  // 1 (rows top to bottom, columns left to right): for a picture that was turned or
  // mirrored after it was read.
  void ResetOrientation();

  CRasterExifRecord& Record() { return *m_record; }
  const char* GetError() const { return m_error; }
  const std::vector<Section>& Sections() const { return m_sections; }
  bool MotorolaOrder() const { return m_motorola; }

 private:
  void SetError(const char* text);
  void ReadFrameHeader(const Section& section, int32_t marker);
  void ReadComment(const Section& section);
  uint32_t Get16(const uint8_t* p) const;
  uint32_t Get32(const uint8_t* p) const;
  double ConvertValue(const uint8_t* value, int format) const;
  bool ParseDirectory(const uint8_t* tiff, uint64_t length, uint64_t offset, int depth);

  CRasterExifRecord* m_record;
  std::unique_ptr<CRasterExifRecord> m_ownRecord;
  char m_error[256] = {};
  int32_t m_exifImageWidth = 0;
  bool m_motorola = false;
  std::vector<Section> m_sections;
  std::vector<uint64_t> m_visited;  // directories parsed by the current ParseExif
  const uint8_t* m_body = nullptr;   // the EXIF data being parsed
  // Where the Orientation values of the parsed EXIF data lie (from the start of its
  // section's "Exif"), and their formats.
  std::vector<std::pair<uint64_t, uint32_t>> m_orientations;
};
