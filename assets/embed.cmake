# Writes OUTPUT, a C++ source holding the bytes of INPUT as the array
# corvelin::assets::embedded::SYMBOL (see embedded.h).
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
# 32 bytes to a line, each byte as 0xNN.
string(REGEX REPLACE "(................................................................)" "\\1\n"
       hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
file(WRITE "${OUTPUT}"
  "// Generated from ${INPUT}; do not edit.\n"
  "#include \"assets/embedded.h\"\n\n"
  "namespace corvelin::assets::embedded {\n\n"
  "extern const unsigned char ${SYMBOL}[] = {\n${hex}\n};\n"
  "extern const std::size_t ${SYMBOL}_size = ${size};\n\n"
  "}  // namespace corvelin::assets::embedded\n")
