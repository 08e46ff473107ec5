# Writes a C++ source holding a file's bytes: cmake -DINPUT=file -DOUTPUT=source.cpp
# -DNAME=Symbol -P EmbedFile.cmake. The source defines
#   const unsigned char Symbol[]; const size_t SymbolSize;
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n  " bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT}; do not edit.\n"
  "#include <cstddef>\n"
  "extern const unsigned char ${NAME}[];\n"
  "extern const size_t ${NAME}Size;\n"
  "const unsigned char ${NAME}[] = {\n  ${bytes}0};\n"
  "const size_t ${NAME}Size = ${size};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
