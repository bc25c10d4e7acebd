# Layers. No folder is on a global include path: a library shows its headers ("data/Dataset.h")
# to itself and to the targets that link it, and to nobody else, so that a header of a layer
# above (data/ including server/ or widgets/, core/ including data/) fails to compile. The
# headers are shown through a folder of the build tree per library, layers/<target>/, holding
# one small forwarding header per header of the library at its usual path; forwarding headers
# rather than links work alike on Linux and on Windows, where links need privileges.

# zev_stage_headers(<root> <path>...): forwarding headers under <root> for each path, a header
# or a folder (all its headers, subfolders included), relative to the source root. Headers that
# left the paths since the last run are removed, so that a moved header stops being visible.
function(zev_stage_headers root)
    set(wanted)
    foreach(path ${ARGN})
        if(IS_DIRECTORY ${CMAKE_SOURCE_DIR}/${path})
            file(GLOB_RECURSE headers CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}
                 ${CMAKE_SOURCE_DIR}/${path}/*.h)
        elseif(EXISTS ${CMAKE_SOURCE_DIR}/${path})
            set(headers ${path})
        else()
            message(FATAL_ERROR "zev_stage_headers: ${path} does not exist")
        endif()
        foreach(header ${headers})
            list(APPEND wanted ${root}/${header})
            # CONFIGURE writes only when the text changes: no rebuild after every configure.
            file(CONFIGURE OUTPUT ${root}/${header}
                 CONTENT "#pragma once\n#include \"${CMAKE_SOURCE_DIR}/${header}\"\n")
        endforeach()
    endforeach()
    file(GLOB_RECURSE staged ${root}/*.h)
    foreach(header ${staged})
        if(NOT header IN_LIST wanted)
            file(REMOVE ${header})
        endif()
    endforeach()
endfunction()

# zev_layer_headers(<target> <path>...): the headers of the paths, visible to the target and to
# every target that links it.
function(zev_layer_headers target)
    set(root ${CMAKE_BINARY_DIR}/layers/${target})
    zev_stage_headers(${root} ${ARGN})
    target_include_directories(${target} PUBLIC ${root})
endfunction()

# zev_driver_library(<name> <source>...): a connection driver, which registers itself with the
# connection from a static initialiser. Nothing calls into such a library, so a linker would
# drop it from a program: the target <name> that programs link takes the code (<name>_code) as a
# whole archive. The caller links <name>_code with what the driver uses.
function(zev_driver_library name)
    add_library(${name}_code STATIC ${ARGN})
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${name}_code>")
endfunction()
