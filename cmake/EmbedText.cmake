# Writes OUTPUT, a C++ source defining `extern const char SYMBOL[]` (and SYMBOLSize) with the
# bytes of the files in INPUTS (comma-separated), each followed by a line end.
string(REPLACE "," ";" inputs "${INPUTS}")
set(bytes "")
foreach(input IN LISTS inputs)
    file(READ ${input} hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," part "${hex}")
    string(APPEND bytes "${part}0x0a,\n")
endforeach()
file(WRITE ${OUTPUT}.tmp "// Generated from the message files; do not edit.\n#include <cstddef>\n"
                         "extern const char ${SYMBOL}[];\nextern const std::size_t ${SYMBOL}Size;\n"
                         "const char ${SYMBOL}[] = {${bytes} 0};\n"
                         "const std::size_t ${SYMBOL}Size = sizeof(${SYMBOL}) - 1;\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
