# Warnings on for the project's own code; system headers (Qt, gtest) stay quiet.
add_compile_options(
    -Wall -Wextra -Wpedantic -Wshadow=local -Wnon-virtual-dtor -Woverloaded-virtual
    -Wformat=2 -Wimplicit-fallthrough -Wno-missing-field-initializers)
