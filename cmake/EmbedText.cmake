# Writes OUTPUT, a C++ source defining `extern const char SYMBOL[]` with the bytes of INPUT.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hexLength)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE ${OUTPUT} "// Generated from ${INPUT}; do not edit.\n#include <cstddef>\n"
                     "extern const char ${SYMBOL}[];\nextern const std::size_t ${SYMBOL}Size;\n"
                     "const char ${SYMBOL}[] = {${bytes} 0};\n"
                     "const std::size_t ${SYMBOL}Size = sizeof(${SYMBOL}) - 1;\n")
