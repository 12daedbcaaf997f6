# Checks a folder of the vendor's SDK headers (VELMO_WPS_SDK_DIR) before the
# plug-in is built against it: the entry headers must be there, and so must
# every header they reach (wps/wpsapi.h, for one, includes
# wpsapi/wpsapi.h); a missing one stops the configuration with its name.
#
# The folder is the SDK's include folder, holding wps/ and common/.
set(VELMO_WPS_SDK_HEADERS
  wps/wpsapi.h
  common/kfc/comsptr.h
  common/ksoapi/ksoapi.h)

# The include folders a build against the SDK uses, in search order.
function(velmo_wps_sdk_include_dirs dir out)
  set(${out} "${dir}" "${dir}/common" "${dir}/wps" PARENT_SCOPE)
endfunction()

# `compiler`: the C++ compiler whose preprocessor follows the includes;
# further arguments are more include folders the headers may reach.
function(velmo_check_wps_sdk dir compiler)
  if(NOT IS_DIRECTORY "${dir}")
    message(FATAL_ERROR "VELMO_WPS_SDK_DIR: ${dir} is not a folder")
  endif()
  foreach(header IN LISTS VELMO_WPS_SDK_HEADERS)
    if(NOT EXISTS "${dir}/${header}")
      message(FATAL_ERROR "VELMO_WPS_SDK_DIR: the header ${header} is missing from ${dir}")
    endif()
  endforeach()

  # Every header the entry headers reach, found by the preprocessor itself, so
  # that conditional includes count exactly as in the build.
  velmo_wps_sdk_include_dirs("${dir}" include_dirs)
  list(APPEND include_dirs ${ARGN})
  set(flags "")
  foreach(include_dir IN LISTS include_dirs)
    list(APPEND flags "-isystem" "${include_dir}")
  endforeach()
  set(source "")
  foreach(header wps/wpsapi.h kfc/comsptr.h ksoapi/ksoapi.h)
    string(APPEND source "#include <${header}>\n")
  endforeach()
  string(MD5 tag "${dir}")
  set(probe "${CMAKE_CURRENT_BINARY_DIR}/velmo_wps_sdk_probe_${tag}.cpp")
  file(WRITE "${probe}" "${source}")
  execute_process(COMMAND "${compiler}" -std=c++17 -E ${flags} "${probe}"
    RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE error)
  file(REMOVE "${probe}")
  if(result EQUAL 0)
    return()
  endif()
  if(error MATCHES "([^ \n]+):[0-9]+:[0-9]+: fatal error: ([^:\n]+): No such file or directory")
    set(from "${CMAKE_MATCH_1}")
    set(missing "${CMAKE_MATCH_2}")
    file(RELATIVE_PATH from "${dir}" "${from}")
    message(FATAL_ERROR
      "VELMO_WPS_SDK_DIR: the header ${missing}, included from ${from}, is missing from ${dir}")
  endif()
  message(FATAL_ERROR "VELMO_WPS_SDK_DIR: the headers in ${dir} cannot be read:\n${error}")
endfunction()

# `cmake -DVELMO_WPS_SDK_DIR=<folder> [-DCMAKE_CXX_COMPILER=<c++>] -P VelmoWpsSdk.cmake`
# checks a folder on its own.
if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  if(NOT CMAKE_CXX_COMPILER)
    set(CMAKE_CXX_COMPILER c++)
  endif()
  velmo_check_wps_sdk("${VELMO_WPS_SDK_DIR}" "${CMAKE_CXX_COMPILER}")
  message(STATUS "VELMO_WPS_SDK_DIR: ${VELMO_WPS_SDK_DIR} holds every header the plug-in needs")
endif()
