# A shipped library that loads on the oldest distributions the host runs on
# (GLIBC_2.28) whatever C++ runtime the host brings: the C++ runtime and GCC's
# support library are linked in statically, and the C library functions they
# and the plug-in would take in newer versions are called through
# src/runtime/velmo_old_glibc.cpp. Only the library's own entry points are
# exported, so no C++ runtime type reaches the host.
# The newest C library version a shipped library may need (Debian 10).
set(VELMO_OLDEST_GLIBC 2.28 CACHE INTERNAL "")
set(VELMO_OLD_GLIBC_FUNCTIONS
  dlopen dlsym dladdr dlclose
  pthread_create pthread_detach pthread_join pthread_key_create __pthread_key_create
  pthread_key_delete pthread_getspecific pthread_setspecific pthread_once
  stat lstat fstat arc4random _dl_find_object)

# velmo_link_portable_runtime(target): on x86-64 without sanitizers (their
# runtimes need the shared C++ runtime).
function(velmo_link_portable_runtime target)
  if(VELMO_ASAN OR VELMO_TSAN OR NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    return()
  endif()
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src/runtime/velmo_old_glibc.cpp)
  # The runtime's own symbols stay inside: exported, they would take the
  # place of the process's C++ runtime.
  target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc "LINKER:--exclude-libs,ALL")
  foreach(function IN LISTS VELMO_OLD_GLIBC_FUNCTIONS)
    target_link_options(${target} PRIVATE "LINKER:--wrap=${function}")
  endforeach()
  # Where the base versions live on a C library older than 2.34.
  target_link_libraries(${target} PRIVATE "-Wl,--push-state,--no-as-needed"
    -l:libpthread.so.0 -l:libdl.so.2 "-Wl,--pop-state")
endfunction()
