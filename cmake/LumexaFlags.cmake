# One interface target carries the warnings and sanitizer flags; every project target links it.
add_library(lumexa_warnings INTERFACE)
target_compile_options(lumexa_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                                 -Wold-style-cast -Wcast-align -Woverloaded-virtual
                                                 -Wimplicit-fallthrough)
if(LUMEXA_WERROR)
    target_compile_options(lumexa_warnings INTERFACE -Werror)
endif()

if(LUMEXA_SANITIZE)
    # Applied globally so that test support, gtest glue and the libraries share one instrumented runtime.
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
