# Debian's hardening flags, as dpkg-buildflags gives them with
# hardening=+all: the stack protector, FORTIFY, format checks, a read-only
# relocation table bound at start (relro, BIND_NOW). The build type keeps
# choosing the optimisation and the debug information, so -O and -g are
# left out; FORTIFY needs the optimiser, so a Debug build goes without it.
# Every program gets them, above all the helper that parses workbooks from
# outside.

find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS)
    message(FATAL_ERROR "dpkg-buildflags is missing (apt install dpkg-dev), "
                        "or configure with -DWAYBILL_HARDENING=OFF")
endif()

function(waybill_dpkg_buildflags kind out)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                ${DPKG_BUILDFLAGS} --get ${kind}
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
        COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    list(FILTER flags EXCLUDE REGEX "^-(O.*|g.*|ffile-prefix-map=.*|fdebug-prefix-map=.*)$")
    set(${out} ${flags} PARENT_SCOPE)
endfunction()

waybill_dpkg_buildflags(CPPFLAGS hardening_cppflags)
waybill_dpkg_buildflags(CXXFLAGS hardening_cxxflags)
waybill_dpkg_buildflags(LDFLAGS hardening_ldflags)

foreach(flag IN LISTS hardening_cppflags)
    if(flag MATCHES "^-D_FORTIFY_SOURCE")
        add_compile_options($<$<NOT:$<CONFIG:Debug>>:${flag}>)
    else()
        add_compile_options(${flag})
    endif()
endforeach()
add_compile_options(${hardening_cxxflags})
add_link_options(${hardening_ldflags})

# Position independent executables, whatever the compiler's default.
include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

message(STATUS "Hardening flags: ${hardening_cppflags} ${hardening_cxxflags} ${hardening_ldflags}")
