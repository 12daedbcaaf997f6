# A folder of SDK headers that lacks one header is refused with that header's
# name; once the header is there, the folder is accepted.
# Run as: cmake -DSOURCE_DIR=<project> -DWORK_DIR=<scratch folder> -P sdk_folder_test.cmake
set(sdk ${WORK_DIR}/sdk)
file(REMOVE_RECURSE ${sdk})
file(WRITE ${sdk}/wps/wpsapi.h "")
file(WRITE ${sdk}/common/kfc/comsptr.h "")

execute_process(COMMAND ${CMAKE_COMMAND} -DVELMO_WPS_SDK_DIR=${sdk} -P ${SOURCE_DIR}/cmake/VelmoWpsSdk.cmake
  RESULT_VARIABLE result ERROR_VARIABLE error OUTPUT_QUIET)
string(REPLACE "\n" " " error "${error}")
if(result EQUAL 0 OR NOT error MATCHES "header common/ksoapi/ksoapi.h is missing")
  message(FATAL_ERROR "a folder without ksoapi.h was not refused by name: ${error}")
endif()

file(WRITE ${sdk}/common/ksoapi/ksoapi.h "")
execute_process(COMMAND ${CMAKE_COMMAND} -DVELMO_WPS_SDK_DIR=${sdk} -P ${SOURCE_DIR}/cmake/VelmoWpsSdk.cmake
  RESULT_VARIABLE result ERROR_VARIABLE error OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "a complete folder was refused: ${error}")
endif()
