// The skin packer: builds a stored skin from a skin folder (an ini file and the BMP
// pictures it names) and writes it as a ".skn" container and, when asked, as C++ source
// holding the compressed block, which the program's engine window carries as its stored
// default skin.
//
//   skinpack SKIN.ini OUT.skn [OUT.cpp SYMBOL]
//
// OUT.cpp defines `const uint8_t SYMBOL[]` and `const size_t SYMBOLSize`.
#include <cstdio>
#include <memory>

#include "framework/Classes.h"
#include "framework/SysUtils.h"
#include "skin/data/SkinStore.h"

namespace {

void WriteSource(TspCompressedStoredSkin& Skin, const AnsiString& FileName,
                 const AnsiString& Symbol, const AnsiString& IniFileName) {
  TMemoryStream block;
  Skin.WriteCompressedData(&block);
  const auto* bytes = static_cast<const uint8_t*>(block.GetMemory());
  const int64_t size = block.GetSize();
  AnsiString text = "// Made by the skin packer from " + ExtractFileName(IniFileName) +
                    ": the compressed block of the stored skin.\n"
                    "#include <cstddef>\n#include <cstdint>\n\n"
                    "extern const uint8_t " +
                    Symbol + "[];\nextern const size_t " + Symbol +
                    "Size;\n\n"
                    "const uint8_t " +
                    Symbol + "[] = {";
  for (int64_t i = 0; i < size; ++i) {
    text += i % 16 == 0 ? "\n   " : "";
    text += " " + IntToStr(bytes[i]) + ",";
  }
  text += "\n};\nconst size_t " + Symbol + "Size = sizeof(" + Symbol + ");\n";
  TStringStream source(text);
  TFileStream out(FileName, fmCreate);
  out.CopyFrom(&source, 0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr, "usage: skinpack SKIN.ini OUT.skn [OUT.cpp SYMBOL]\n");
    return 2;
  }
  try {
    std::unique_ptr<TspCompressedStoredSkin, void (*)(TspCompressedStoredSkin*)> skin(
        new TspCompressedStoredSkin(nullptr), [](TspCompressedStoredSkin* s) { s->Free(); });
    if (!skin->CompressFromIni(argv[1])) {
      std::fprintf(stderr,
                   "skinpack: %s lacks one of the sections VERSION, PICTURES, FORMINFO, "
                   "SKINOBJECTS, SKINCONTROLS\n",
                   argv[1]);
      return 1;
    }
    {
      TFileStream out(argv[2], fmCreate);
      skin->SaveToCompressedStream(&out);
    }
    if (argc == 5) WriteSource(*skin, argv[3], argv[4], argv[1]);
    std::printf("skinpack: %s: %lld bytes compressed\n", argv[2],
                static_cast<long long>(skin->GetCompressedStream()->GetSize()));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "skinpack: %s\n", e.what());
    return 1;
  }
  return 0;
}
