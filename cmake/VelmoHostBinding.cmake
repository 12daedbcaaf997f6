# How the plug-in library is bound to the host it is loaded into.

# The host's program directories, newest layout first: where the host keeps
# its own libraries (libwpsapi.so, libksoapi.so, its Qt). Both are in the
# plug-in's run-time search path, after the plug-in's own directory.
set(VELMO_WPS_PROGRAM_DIRS "/usr/lib/office6;/opt/kingsoft/wps-office/office6" CACHE STRING
  "Program directories of the WPS Office host (a list), in the plug-in's run-time search path")

# The host's functions that the plug-in calls but a host may lack.
set(VELMO_HOST_OPTIONAL_FUNCTIONS
  _XSysAllocString _XSysAllocStringLen _XSysFreeString _XSysStringLen)

# velmo_bind_to_host(target): the plug-in's calls of the optional host
# functions go to the wrappers in src/host/velmo_host_entry.cpp, which look
# the functions up at run time, so that no undefined reference to them is
# left for the loader; the run-time search path is the plug-in's directory,
# then the host's program directories.
function(velmo_bind_to_host target)
  foreach(function IN LISTS VELMO_HOST_OPTIONAL_FUNCTIONS)
    target_link_options(${target} PRIVATE "LINKER:--wrap=${function}")
  endforeach()
  set(search_path "\$ORIGIN" ${VELMO_WPS_PROGRAM_DIRS})
  set_target_properties(${target} PROPERTIES
    BUILD_RPATH "${search_path}" INSTALL_RPATH "${search_path}" BUILD_WITH_INSTALL_RPATH ON)
endfunction()
