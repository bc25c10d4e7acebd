# Builds one layer probe (cmake -P) and checks the outcome: ALLOWED must compile; FORBIDDEN must
# fail because the compiler does not find the header, not for any other reason.
# -DBUILD_DIR=... -DCONFIG=... -DTARGET=... -DHEADER=... -DEXPECT=ALLOWED|FORBIDDEN
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --config ${CONFIG} --target ${TARGET}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(EXPECT STREQUAL "ALLOWED")
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${TARGET} should compile, including ${HEADER}:\n${output}")
    endif()
    message(STATUS "${TARGET} compiles with ${HEADER}")
elseif(EXPECT STREQUAL "FORBIDDEN")
    if(result EQUAL 0)
        message(FATAL_ERROR "${TARGET} compiled although it includes ${HEADER}, a header of a "
                            "layer above its library: some include path shows too much")
    endif()
    # GCC: "No such file or directory"; clang: "file not found"; MSVC: "Cannot open include file".
    string(FIND "${output}" "${HEADER}" named)
    if(named EQUAL -1 OR NOT output MATCHES "No such file|not found|Cannot open include file")
        message(FATAL_ERROR "${TARGET} failed, but not for the missing ${HEADER}:\n${output}")
    endif()
    message(STATUS "${TARGET} cannot include ${HEADER}, as it should")
else()
    message(FATAL_ERROR "EXPECT must be ALLOWED or FORBIDDEN")
endif()
