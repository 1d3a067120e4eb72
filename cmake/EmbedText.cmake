# Writes OUTPUT, a C++ source defining `extern const char SYMBOL[]` (and SYMBOLSize) with the
# bytes of the files in INPUTS (comma-separated), each followed by a line end. Every byte is
# a \x escape inside string literals, so any byte value compiles without narrowing.
string(REPLACE "," ";" inputs "${INPUTS}")
set(body "")
foreach(input IN LISTS inputs)
    file(READ ${input} hex HEX)
    string(APPEND hex "0a")
    # 64 bytes per source line, then the shorter tail.
    string(REPEAT "[0-9a-f]" 128 chunk)
    string(REGEX REPLACE "(${chunk})" "\"\\1\"\n" lines "${hex}")
    string(REGEX REPLACE "([0-9a-f]+)$" "\"\\1\"\n" lines "${lines}")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" lines "${lines}")
    string(APPEND body "${lines}")
endforeach()
file(WRITE ${OUTPUT}.tmp "// Generated from the message files; do not edit.\n#include <cstddef>\n"
                         "extern const char ${SYMBOL}[];\nextern const std::size_t ${SYMBOL}Size;\n"
                         "const char ${SYMBOL}[] =\n${body};\n"
                         "const std::size_t ${SYMBOL}Size = sizeof(${SYMBOL}) - 1;\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
