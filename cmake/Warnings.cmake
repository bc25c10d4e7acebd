# Warnings on for the project's own code; system headers (Qt, gtest) stay quiet. GCC alone tells a
# shadowed local from a shadowed member; clang (the fuzz build) has no such form.
add_compile_options(
    -Wall -Wextra -Wpedantic $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local> -Wnon-virtual-dtor
    -Woverloaded-virtual -Wformat=2 -Wimplicit-fallthrough -Wno-missing-field-initializers)
