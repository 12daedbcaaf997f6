# Checks a folder of the vendor's SDK headers (VELMO_WPS_SDK_DIR) before the
# plug-in is built against it: every header the plug-in needs must be there,
# and a missing one stops the configuration with its name.
#
# The folder is the SDK's include folder, holding wps/ and common/.
set(VELMO_WPS_SDK_HEADERS
  wps/wpsapi.h
  common/kfc/comsptr.h
  common/ksoapi/ksoapi.h)

function(velmo_check_wps_sdk dir)
  if(NOT IS_DIRECTORY "${dir}")
    message(FATAL_ERROR "VELMO_WPS_SDK_DIR: ${dir} is not a folder")
  endif()
  foreach(header IN LISTS VELMO_WPS_SDK_HEADERS)
    if(NOT EXISTS "${dir}/${header}")
      message(FATAL_ERROR "VELMO_WPS_SDK_DIR: the header ${header} is missing from ${dir}")
    endif()
  endforeach()
endfunction()

# The include folders a build against the SDK uses, in search order.
function(velmo_wps_sdk_include_dirs dir out)
  set(${out} "${dir}" "${dir}/common" "${dir}/wps" PARENT_SCOPE)
endfunction()

# `cmake -DVELMO_WPS_SDK_DIR=<folder> -P VelmoWpsSdk.cmake` checks a folder
# on its own.
if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  velmo_check_wps_sdk("${VELMO_WPS_SDK_DIR}")
  message(STATUS "VELMO_WPS_SDK_DIR: ${VELMO_WPS_SDK_DIR} holds every header the plug-in needs")
endif()
