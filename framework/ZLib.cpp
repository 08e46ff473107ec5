#include "framework/ZLib.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

struct TZStreamState {
  z_stream Z{};
  bool Initialised = false;
  unsigned char Buffer[4096];
};

namespace {

constexpr uInt kPiece = 4096;  // reads of the source, writes to the destination

AnsiString ZMessage(const z_stream& z, int code, const char* fallback) {
  if (z.msg) return z.msg;
  if (code == Z_MEM_ERROR) return "out of memory";
  return fallback;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TCompressionStream

TCompressionStream::TCompressionStream(TZCompressionLevel CompressionLevel, TStream* Dest)
    : FDest(Dest), FState(std::make_unique<TZStreamState>()) {
  static const int kLevels[] = {Z_NO_COMPRESSION, Z_BEST_SPEED, Z_DEFAULT_COMPRESSION,
                                Z_BEST_COMPRESSION};
  int code = deflateInit(&FState->Z, kLevels[CompressionLevel]);
  if (code != Z_OK) throw ECompressionError(ZMessage(FState->Z, code, "cannot start compression"));
  FState->Initialised = true;
  FState->Z.next_out = FState->Buffer;
  FState->Z.avail_out = kPiece;
}

TCompressionStream::~TCompressionStream() {
  try {
    Finish();
  } catch (...) {
    // A destructor cannot report: callers that need to know call Finish themselves.
  }
  if (FState->Initialised) deflateEnd(&FState->Z);
}

void TCompressionStream::Flush(int mode) {
  z_stream& z = FState->Z;
  auto emit = [&]() {
    uInt produced = kPiece - z.avail_out;
    if (produced > 0) {
      FDest->WriteBuffer(FState->Buffer, produced);
      FOut += produced;
    }
    z.next_out = FState->Buffer;
    z.avail_out = kPiece;
  };
  while (true) {
    int code = deflate(&z, mode);
    if (code == Z_STREAM_ERROR) throw ECompressionError(ZMessage(z, code, "compression error"));
    if (z.avail_out == 0) emit();
    if (mode == Z_FINISH) {
      if (code == Z_STREAM_END) {
        emit();
        return;
      }
    } else if (z.avail_in == 0) {
      return;  // all taken; what is pending stays in the buffer
    }
  }
}

int64_t TCompressionStream::Write(const void* Buffer, int64_t Count) {
  if (FFinished) throw ECompressionError("Invalid stream operation");
  if (Count <= 0) return 0;
  z_stream& z = FState->Z;
  int64_t left = Count;
  const unsigned char* data = static_cast<const unsigned char*>(Buffer);
  while (left > 0) {
    uInt n = static_cast<uInt>(std::min<int64_t>(left, UINT_MAX / 2));
    z.next_in = const_cast<unsigned char*>(data);
    z.avail_in = n;
    Flush(Z_NO_FLUSH);
    data += n;
    left -= n;
    FIn += n;
  }
  return Count;
}

void TCompressionStream::Finish() {
  if (FFinished) return;
  FFinished = true;
  FState->Z.next_in = nullptr;
  FState->Z.avail_in = 0;
  Flush(Z_FINISH);
}

int64_t TCompressionStream::Read(void*, int64_t) {
  throw ECompressionError("Invalid stream operation");
}

int64_t TCompressionStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  if ((Origin == soCurrent && Offset == 0) || (Origin == soBeginning && Offset == FIn))
    return FIn;
  throw ECompressionError("Invalid stream operation");
}

double TCompressionStream::GetCompressionRate() const {
  if (FIn == 0) return 0;
  return (1.0 - static_cast<double>(FOut) / static_cast<double>(FIn)) * 100.0;
}

// ---------------------------------------------------------------------------------------
// TDecompressionStream

TDecompressionStream::TDecompressionStream(TStream* Source, int64_t MaxOutput)
    : FSource(Source),
      FSourceStart(Source->GetPosition()),
      FMaxOutput(MaxOutput),
      FState(std::make_unique<TZStreamState>()) {
  int code = inflateInit(&FState->Z);
  if (code != Z_OK)
    throw EDecompressionError(ZMessage(FState->Z, code, "cannot start decompression"));
  FState->Initialised = true;
}

TDecompressionStream::~TDecompressionStream() {
  if (FState->Initialised) inflateEnd(&FState->Z);
}

int64_t TDecompressionStream::Read(void* Buffer, int64_t Count) {
  if (FEnded || Count <= 0) return 0;
  z_stream& z = FState->Z;
  unsigned char* out = static_cast<unsigned char*>(Buffer);
  int64_t total = 0;
  unsigned char probe;
  while (total < Count && !FEnded) {
    // Never more than the limit allows; at the limit, one byte more tells whether the data
    // really goes on.
    int64_t allowed = std::min<int64_t>(Count - total, FMaxOutput - FPosition);
    bool probing = allowed <= 0;
    uInt room = probing ? 1 : static_cast<uInt>(std::min<int64_t>(allowed, UINT_MAX / 2));
    z.next_out = probing ? &probe : out + total;
    z.avail_out = room;
    while (z.avail_out > 0) {
      if (z.avail_in == 0) {
        int64_t n = FSource->Read(FState->Buffer, kPiece);
        if (n <= 0) throw EDecompressionError("The compressed data ends too early");
        z.next_in = FState->Buffer;
        z.avail_in = static_cast<uInt>(n);
      }
      int code = inflate(&z, Z_NO_FLUSH);
      if (code == Z_STREAM_END) {
        FEnded = true;
        // Leave the source just after the compressed data.
        if (z.avail_in > 0) {
          try {
            FSource->Seek(-static_cast<int64_t>(z.avail_in), soCurrent);
          } catch (const EStreamError&) {
          }
          z.avail_in = 0;
        }
        break;
      }
      if (code != Z_OK && code != Z_BUF_ERROR)
        throw EDecompressionError(ZMessage(z, code, "The compressed data is damaged"));
    }
    uInt produced = room - z.avail_out;
    if (probing) {
      if (produced > 0)
        throw EDecompressionError("The decompressed data is larger than %d bytes",
                                  {static_cast<long long>(FMaxOutput)});
      continue;
    }
    total += produced;
    FPosition += produced;
  }
  return total;
}

int64_t TDecompressionStream::Write(const void*, int64_t) {
  throw EDecompressionError("Invalid stream operation");
}

void TDecompressionStream::Reset() {
  inflateReset(&FState->Z);
  FState->Z.avail_in = 0;
  FSource->SetPosition(FSourceStart);
  FPosition = 0;
  FEnded = false;
}

int64_t TDecompressionStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t target;
  if (Origin == soBeginning) {
    target = Offset;
  } else if (Origin == soCurrent && Offset >= 0 && FPosition <= INT64_MAX - Offset) {
    target = FPosition + Offset;
  } else {
    throw EDecompressionError("Invalid stream operation");
  }
  if (target == 0 && FPosition != 0) Reset();
  if (target < FPosition) throw EDecompressionError("Invalid stream operation");
  unsigned char scratch[4096];
  while (FPosition < target) {
    int64_t n = Read(scratch, std::min<int64_t>(target - FPosition, sizeof scratch));
    if (n == 0) throw EDecompressionError("Invalid stream operation");
  }
  return FPosition;
}
