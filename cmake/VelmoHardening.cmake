# The distribution's hardening flags (dpkg-buildflags with every hardening
# feature) for the targets that are shipped: fortified libc calls, stack
# protection, format checks, read-only relocations bound at load time.
# Only where they apply: an optimised build without sanitizers (fortified
# calls need optimisation, and the sanitizers bring checks of their own).
function(velmo_harden)
  string(TOUPPER "${CMAKE_BUILD_TYPE}" build_type)
  if(VELMO_ASAN OR VELMO_TSAN OR NOT build_type MATCHES "^(RELEASE|RELWITHDEBINFO|MINSIZEREL)$")
    return()
  endif()
  find_program(DPKG_BUILDFLAGS dpkg-buildflags)
  if(NOT DPKG_BUILDFLAGS)
    message(STATUS "dpkg-buildflags not found: shipped binaries are built without hardening flags")
    return()
  endif()
  set(flags "")
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
      ${DPKG_BUILDFLAGS} --get ${kind}
      OUTPUT_VARIABLE value OUTPUT_STRIP_TRAILING_WHITESPACE)
    separate_arguments(value UNIX_COMMAND "${value}")
    set(${kind} "${value}")
  endforeach()
  # Hardening only: optimisation, debug information and path mapping stay the
  # build type's own.
  set(compile_flags "")
  foreach(flag IN LISTS CPPFLAGS CXXFLAGS)
    if(flag MATCHES "^(-D_FORTIFY_SOURCE=|-fstack-protector|-fstack-clash-protection|-fcf-protection|-Wformat|-Werror=format-security)")
      list(APPEND compile_flags ${flag})
    endif()
  endforeach()
  foreach(target IN LISTS ARGN)
    if(TARGET ${target})
      target_compile_options(${target} PRIVATE ${compile_flags})
      get_target_property(type ${target} TYPE)
      if(NOT type STREQUAL "STATIC_LIBRARY")
        target_link_options(${target} PRIVATE ${LDFLAGS})
      endif()
    endif()
  endforeach()
endfunction()
