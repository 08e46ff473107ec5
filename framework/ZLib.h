// Streams that compress into and decompress from another stream with zlib (deflate data
// with the zlib header). Portable: zlib's header stays inside the implementation.
#pragma once

#include <memory>

#include "framework/Classes.h"

class EZLibError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class ECompressionError : public EZLibError {
 public:
  using EZLibError::EZLibError;
};
class EDecompressionError : public EZLibError {
 public:
  using EZLibError::EZLibError;
};

// The compression levels (named apart from the colours clNone and clDefault of Graphics.h).
enum TZCompressionLevel { zcNone, zcFastest, zcDefault, zcMax };

struct TZStreamState;

// Compresses what is written into Dest. The compressed data is complete once Finish ran
// (the destructor runs it when nobody did, but can report no error then). Reading and
// seeking raise ECompressionError.
class TCompressionStream : public TStream {
 public:
  TCompressionStream(TZCompressionLevel CompressionLevel, TStream* Dest);
  ~TCompressionStream() override;
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  // Only reports the position (the bytes written so far).
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  // Writes the rest of the compressed data to Dest; later writes raise.
  void Finish();
  // How much smaller the data became, in percent of the bytes written.
  double GetCompressionRate() const;

 private:
  void Flush(int mode);
  TStream* FDest;
  std::unique_ptr<TZStreamState> FState;
  int64_t FIn = 0;
  int64_t FOut = 0;
  bool FFinished = false;
};

// Decompresses from Source, starting at Source's position when created. Source is read in
// pieces of 4096 bytes; when the compressed data ends, Source is moved back to just after
// it. Data that breaks off, is damaged, or would decompress to more than MaxOutput bytes
// raises EDecompressionError. Only forward seeks (and back to the start) are possible;
// writing raises.
class TDecompressionStream : public TStream {
 public:
  static constexpr int64_t kDefaultMaxOutput = int64_t{256} << 20;
  explicit TDecompressionStream(TStream* Source, int64_t MaxOutput = kDefaultMaxOutput);
  ~TDecompressionStream() override;
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;

 private:
  void Reset();
  TStream* FSource;
  int64_t FSourceStart;
  int64_t FMaxOutput;
  std::unique_ptr<TZStreamState> FState;
  int64_t FPosition = 0;
  bool FEnded = false;
};
