# Warnings on for the project's own code; system headers (Qt, gtest) stay quiet. GCC alone tells a
# shadowed local from a shadowed member; clang (the fuzz build) has no such form. MSVC, for the
# Windows build, gets its own level 4 and standard conformance.
if(MSVC)
    add_compile_options(/W4 /permissive- /utf-8 /Zc:__cplusplus)
else()
    add_compile_options(
        -Wall -Wextra -Wpedantic $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local> -Wnon-virtual-dtor
        -Woverloaded-virtual -Wformat=2 -Wimplicit-fallthrough -Wno-missing-field-initializers)
endif()
