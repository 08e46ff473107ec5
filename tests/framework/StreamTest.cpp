// Streams: memory, text and file streams, copying, and the zlib streams.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <vector>

#include "framework/Classes.h"
#include "framework/ZLib.h"
#include "tests/framework/TestFolder.h"

namespace {

AnsiString ContentOf(TCustomMemoryStream& stream) {
  return AnsiString(static_cast<const char*>(stream.GetMemory()),
                    static_cast<size_t>(stream.GetSize()));
}

// A source that records the size of every read.
class TCountingStream : public TMemoryStream {
 public:
  int64_t Read(void* Buffer, int64_t Count) override {
    reads.push_back(Count);
    return TMemoryStream::Read(Buffer, Count);
  }
  std::vector<int64_t> reads;
};

AnsiString SampleData(size_t size) {
  AnsiString data;
  uint32_t seed = 7;
  while (data.size() < size) {
    seed = seed * 1103515245u + 12345u;
    // Half text, half noise: something to compress and something that does not.
    if ((data.size() / 1000) % 2) {
      data += "skin ini line=1,2,3,4\r\n";
    } else {
      data += static_cast<char>(seed >> 24);
    }
  }
  data.resize(size);
  return data;
}

AnsiString Compress(const AnsiString& data, TZCompressionLevel level = zcMax) {
  TMemoryStream out;
  {
    TCompressionStream z(level, &out);
    z.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    z.Finish();
  }
  return ContentOf(out);
}

// Reads the decompression stream in pieces of 4096 bytes until it gives nothing.
AnsiString DecompressAll(TStream* source, int64_t limit = TDecompressionStream::kDefaultMaxOutput) {
  TDecompressionStream z(source, limit);
  AnsiString result;
  char buffer[4096];
  while (int64_t n = z.Read(buffer, sizeof buffer)) result.append(buffer, static_cast<size_t>(n));
  return result;
}

}  // namespace

TEST(MemoryStream, ReadsWritesSeeksAndGrows) {
  TMemoryStream s;
  s.WriteBuffer("hello", 5);
  EXPECT_EQ(5, s.GetPosition());
  EXPECT_EQ(5, s.GetSize());
  s.SetPosition(8);  // beyond the end: the gap reads as zeros once written
  s.WriteBuffer("!", 1);
  EXPECT_EQ(AnsiString("hello\0\0\0!", 9), ContentOf(s));
  s.SetPosition(1);
  char buffer[16] = {};
  EXPECT_EQ(3, s.Read(buffer, 3));
  EXPECT_STREQ("ell", buffer);
  EXPECT_EQ(7, s.Seek(-2, soEnd));
  EXPECT_EQ(2, s.Read(buffer, 10));
  EXPECT_EQ(0, s.Read(buffer, 10));
  EXPECT_THROW(s.ReadBuffer(buffer, 1), EReadError);
  EXPECT_THROW(s.Seek(-1, soBeginning), EStreamError);
  EXPECT_THROW(s.Seek(INT64_MAX, soEnd), EStreamError);
  s.SetSize(3);
  EXPECT_EQ(3, s.GetPosition());
  EXPECT_EQ("hel", ContentOf(s));
  s.SetSize(5);
  EXPECT_EQ(AnsiString("hel\0\0", 5), ContentOf(s));
  EXPECT_THROW(s.SetSize(-1), EStreamError);
  EXPECT_EQ(0, s.Write(buffer, -5));
  try {
    s.SetPosition(0);
    s.ReadBuffer(buffer, 6);
    ADD_FAILURE();
  } catch (const EReadError& e) {
    EXPECT_EQ("Stream read error", e.Message);
  }
  // Appending many small pieces stays cheap and exact.
  TMemoryStream big;
  AnsiString piece(1000, 'p');
  for (int i = 0; i < 10000; ++i) big.WriteBuffer(piece.data(), 1000);
  EXPECT_EQ(10000000, big.GetSize());
  big.Clear();
  EXPECT_EQ(0, big.GetSize());
  EXPECT_EQ(nullptr, big.GetMemory());
}

TEST(MemoryStream, CopyFromAndLoadSave) {
  TMemoryStream source, dest;
  source.WriteBuffer("0123456789", 10);
  source.SetPosition(3);
  EXPECT_EQ(4, dest.CopyFrom(&source, 4));
  EXPECT_EQ("3456", ContentOf(dest));
  EXPECT_EQ(10, dest.CopyFrom(&source, 0));  // 0: the whole source from its start
  EXPECT_EQ("34560123456789", ContentOf(dest));
  source.SetPosition(8);
  EXPECT_THROW(dest.CopyFrom(&source, 5), EReadError);
  EXPECT_THROW(dest.CopyFrom(&source, -1), EReadError);
  AnsiString large = SampleData(200000);  // more than one copy buffer
  TStringStream text(large);
  TMemoryStream copy;
  copy.CopyFrom(&text, 0);
  EXPECT_EQ(large, ContentOf(copy));
  TMemoryStream loaded;
  loaded.LoadFromStream(&source);
  EXPECT_EQ("0123456789", ContentOf(loaded));
  TStringStream saved;
  loaded.SaveToStream(&saved);
  EXPECT_EQ("0123456789", saved.GetDataString());

  TStringStream s("abcdef");
  s.SetPosition(2);
  s.WriteString("XY");
  EXPECT_EQ("abXYef", s.GetDataString());  // writing inside keeps the rest
  s.SetPosition(1);
  EXPECT_EQ("bXY", s.ReadString(3));
  const char fixed[] = "const";
  TReadOnlyMemoryStream readOnly(fixed, 5);
  EXPECT_EQ(5, readOnly.GetSize());
  EXPECT_THROW(readOnly.WriteBuffer("x", 1), EStreamError);
}

TEST(FileStream, CreatesOpensAndReportsFailures) {
  TTestFolder folder;
  AnsiString name = folder.File("data.bin");
  {
    TFileStream f(name, fmCreate);
    f.WriteBuffer("abcdef", 6);
    EXPECT_EQ(6, f.GetSize());
    EXPECT_EQ(name, f.GetFileName());
  }
  {
    TFileStream f(name, fmOpenReadWrite);
    EXPECT_EQ(4, f.Seek(-2, soEnd));
    f.WriteBuffer("EFG", 3);
    f.SetSize(5);
    EXPECT_EQ(5, f.GetPosition());
    char buffer[8] = {};
    f.SetPosition(0);
    EXPECT_EQ(5, f.Read(buffer, 8));
    EXPECT_STREQ("abcdE", buffer);
  }
  {
    TFileStream f(name, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(0, f.Write("x", 1));  // opened for reading only
    EXPECT_THROW(f.WriteBuffer("x", 1), EWriteError);
  }
  EXPECT_EQ("abcdE", ReadWholeFile(name));
  {
    TFileStream f(name, fmCreate);  // empties it
  }
  EXPECT_EQ("", ReadWholeFile(name));

  struct Case {
    AnsiString name;
    uint16_t mode;
    bool create;
  };
  const Case failures[] = {{folder.File("missing.bin"), fmOpenRead, false},
                           {folder.File("no-folder") + PathDelim + "x.bin", fmCreate, true},
                           {ExcludeTrailingPathDelimiter(folder.Path()), fmOpenRead, false}};
  for (const Case& c : failures) {
    try {
      TFileStream f(c.name, c.mode);
      ADD_FAILURE() << c.name;
    } catch (const EStreamError& e) {
      EXPECT_EQ(c.create, dynamic_cast<const EFCreateError*>(&e) != nullptr);
      AnsiString start = c.create ? "Cannot create file \"" : "Cannot open file \"";
      EXPECT_EQ(0u, e.Message.find(start + c.name + "\". ")) << e.Message;
      EXPECT_GT(e.Message.size(), start.size() + c.name.size() + 4) << "no reason given";
    }
  }
}

TEST(ZLibStreams, RoundTripsAtEveryLevel) {
  for (size_t size : {size_t{0}, size_t{1}, size_t{4095}, size_t{4096}, size_t{4097},
                      size_t{300000}}) {
    AnsiString data = SampleData(size);
    for (TZCompressionLevel level : {zcNone, zcFastest, zcDefault, zcMax}) {
      TStringStream compressed(Compress(data, level));
      EXPECT_EQ(data, DecompressAll(&compressed)) << size << " " << level;
    }
  }
}

TEST(ZLibStreams, BestCompressionIsZlibLevelNine) {
  AnsiString data = SampleData(100000);
  AnsiString ours = Compress(data, zcMax);
  std::vector<unsigned char> theirs(compressBound(static_cast<uLong>(data.size())));
  uLongf length = static_cast<uLongf>(theirs.size());
  ASSERT_EQ(Z_OK, compress2(theirs.data(), &length,
                            reinterpret_cast<const Bytef*>(data.data()),
                            static_cast<uLong>(data.size()), 9));
  EXPECT_EQ(AnsiString(reinterpret_cast<char*>(theirs.data()), length), ours);

  TMemoryStream out;
  TCompressionStream z(zcMax, &out);
  z.WriteBuffer(data.data(), 1000);
  z.WriteBuffer(data.data() + 1000, static_cast<int64_t>(data.size()) - 1000);
  EXPECT_EQ(100000, z.GetPosition());
  z.Finish();
  EXPECT_EQ(ours, ContentOf(out));  // the same however it is written
  EXPECT_GT(z.GetCompressionRate(), 0.0);
  char buffer[4];
  EXPECT_THROW(z.Read(buffer, 4), ECompressionError);
  EXPECT_THROW(z.Seek(0, soBeginning), ECompressionError);
  EXPECT_THROW(z.WriteBuffer("x", 1), ECompressionError);  // finished
}

TEST(ZLibStreams, SourceIsReadIn4096BytePiecesAndLeftAfterTheData) {
  AnsiString data = SampleData(200000);
  AnsiString compressed = Compress(data);
  TCountingStream source;
  source.WriteBuffer("HEAD", 4);
  source.WriteBuffer(compressed.data(), static_cast<int64_t>(compressed.size()));
  source.WriteBuffer("TAIL", 4);
  source.SetPosition(4);
  EXPECT_EQ(data, DecompressAll(&source));
  ASSERT_FALSE(source.reads.empty());
  for (int64_t count : source.reads) EXPECT_EQ(4096, count);
  EXPECT_EQ(static_cast<int64_t>(4 + compressed.size()), source.GetPosition());
  char tail[4];
  source.ReadBuffer(tail, 4);
  EXPECT_EQ(0, std::memcmp(tail, "TAIL", 4));
}

TEST(ZLibStreams, BrokenTruncatedAndOversizedDataRaise) {
  AnsiString data = SampleData(50000);
  AnsiString compressed = Compress(data);
  AnsiString corruptMiddle = compressed;
  corruptMiddle[corruptMiddle.size() / 2] ^= 0x55;
  AnsiString corruptChecksum = compressed;
  corruptChecksum.back() ^= 1;
  const std::pair<const char*, AnsiString> cases[] = {
      {"empty", ""},
      {"not zlib", "this is no compressed data"},
      {"header only", compressed.substr(0, 2)},
      {"cut early", compressed.substr(0, 100)},
      {"cut at a piece boundary", compressed.substr(0, 4096)},
      {"cut before the checksum", compressed.substr(0, compressed.size() - 4)},
      {"damaged in the middle", corruptMiddle},
      {"damaged checksum", corruptChecksum},
  };
  for (const auto& c : cases) {
    TStringStream source(c.second);
    EXPECT_THROW(DecompressAll(&source), EDecompressionError) << c.first;
  }

  // A small block that inflates to much more than allowed stops at the limit.
  AnsiString zeros(8 << 20, '\0');
  AnsiString bomb = Compress(zeros);
  EXPECT_LT(bomb.size(), 20000u);
  TStringStream bombSource(bomb);
  try {
    DecompressAll(&bombSource, 1 << 20);
    ADD_FAILURE();
  } catch (const EDecompressionError& e) {
    EXPECT_EQ("The decompressed data is larger than 1048576 bytes", e.Message);
  }
  TStringStream exact(bomb);
  EXPECT_EQ(zeros.size(), DecompressAll(&exact, 8 << 20).size());  // exactly the limit is fine
}

TEST(ZLibStreams, DecompressionSeeksForwardOrBackToTheStart) {
  AnsiString data = SampleData(20000);
  TStringStream source(Compress(data));
  TDecompressionStream z(&source);
  char buffer[10];
  EXPECT_EQ(15000, z.Seek(15000, soBeginning));
  z.ReadBuffer(buffer, 10);
  EXPECT_EQ(data.substr(15000, 10), AnsiString(buffer, 10));
  EXPECT_EQ(15110, z.Seek(100, soCurrent));
  EXPECT_THROW(z.Seek(10, soBeginning), EDecompressionError);
  EXPECT_THROW(z.Seek(0, soEnd), EDecompressionError);
  EXPECT_THROW(z.GetSize(), EDecompressionError);
  EXPECT_EQ(0, z.Seek(0, soBeginning));
  z.ReadBuffer(buffer, 10);
  EXPECT_EQ(data.substr(0, 10), AnsiString(buffer, 10));
  EXPECT_THROW(z.WriteBuffer("x", 1), EDecompressionError);
  EXPECT_THROW(z.Seek(30000, soBeginning), EDecompressionError);  // past the end
}
