# A folder of SDK headers that lacks one header is refused with that header's
# name, also when the missing header is one an entry header includes; once
# the headers are there, the folder is accepted.
# Run as: cmake -DSOURCE_DIR=<project> -DWORK_DIR=<scratch folder> -DCXX=<c++> -P sdk_folder_test.cmake
set(sdk ${WORK_DIR}/sdk)
file(REMOVE_RECURSE ${sdk})
file(WRITE ${sdk}/wps/wpsapi.h "")
file(WRITE ${sdk}/common/kfc/comsptr.h "")

function(check_folder result_var error_var)
  execute_process(COMMAND ${CMAKE_COMMAND} -DVELMO_WPS_SDK_DIR=${sdk} -DCMAKE_CXX_COMPILER=${CXX}
    -P ${SOURCE_DIR}/cmake/VelmoWpsSdk.cmake
    WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE result ERROR_VARIABLE error OUTPUT_QUIET)
  string(REGEX REPLACE "[ \n]+" " " error "${error}")
  set(${result_var} ${result} PARENT_SCOPE)
  set(${error_var} "${error}" PARENT_SCOPE)
endfunction()

check_folder(result error)
if(result EQUAL 0 OR NOT error MATCHES "header common/ksoapi/ksoapi.h is missing")
  message(FATAL_ERROR "a folder without ksoapi.h was not refused by name: ${error}")
endif()

# The object model's entry header leads to a nested header that is missing.
file(WRITE ${sdk}/common/ksoapi/ksoapi.h "")
file(WRITE ${sdk}/wps/wpsapi.h "#include \"ksoapi/ksoapi.h\"\n#include \"wpsapi/wpsapi.h\"\n")
check_folder(result error)
if(result EQUAL 0 OR NOT error MATCHES "header wpsapi/wpsapi.h, included from wps/wpsapi.h, is missing")
  message(FATAL_ERROR "a folder without the nested wpsapi/wpsapi.h was not refused by name: ${error}")
endif()

file(WRITE ${sdk}/wps/wpsapi/wpsapi.h "")
check_folder(result error)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "a complete folder was refused: ${error}")
endif()
