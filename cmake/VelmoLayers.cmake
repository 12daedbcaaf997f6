# The plug-in's folders in layers, lowest first. A file may include headers of
# its own folder and of folders in lower layers only; folders that share a
# layer do not include each other. Arrows then run one way:
#   plugin -> features/check -> features/results -> features/<feature>
#          -> features/errata -> features/common -> check, document -> api
#          -> config -> host
# A feature folder is named with its parent (features/check); the feature
# folders of one layer stay apart from each other. The build targets of the
# layers (src/CMakeLists.txt) declare the same order as link dependencies;
# this scan also catches an include the compiler happens to find anyway.
# Run as: cmake -DSOURCE_DIR=<project>/src -P VelmoLayers.cmake
set(velmo_layers
  "host runtime"
  "config"
  "api"
  "check document"
  "features/common"
  "features/errata"
  "features/about features/account features/colours features/correction features/find features/navigation features/settings features/statistics features/usage_details features/word_libraries"
  "features/results"
  "features/check"
  "plugin")

set(rank 0)
foreach(layer ${velmo_layers})
  string(REPLACE " " ";" folders "${layer}")
  foreach(folder ${folders})
    string(REPLACE "/" "__" key "${folder}")
    set(rank_of_${key} ${rank})
  endforeach()
  math(EXPR rank "${rank} + 1")
endforeach()

# The folder a path below src/ belongs to: features/<feature>, or its first part.
function(velmo_layer_folder path out)
  if(path MATCHES "^features/[^/]+/")
    string(REGEX MATCH "^features/[^/]+" folder "${path}")
  else()
    string(REGEX MATCH "^[^/]+" folder "${path}")
  endif()
  set(${out} "${folder}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.h)
set(violations "")
foreach(source ${sources})
  if(NOT source MATCHES "/")
    continue()
  endif()
  velmo_layer_folder("${source}" from)
  string(REPLACE "/" "__" from_key "${from}")
  if(NOT DEFINED rank_of_${from_key})
    string(APPEND violations "\n  ${source}: folder ${from} has no layer")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^#include \"[a-z_]+/")
  foreach(line ${includes})
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
    velmo_layer_folder("${included}" to)
    if(to STREQUAL from)
      continue()
    endif()
    string(REPLACE "/" "__" to_key "${to}")
    if(NOT DEFINED rank_of_${to_key})
      string(APPEND violations "\n  ${source}: includes ${to}/, which has no layer")
    elseif(NOT rank_of_${to_key} LESS rank_of_${from_key})
      string(APPEND violations "\n  ${source}: ${from}/ includes ${to}/ (${line})")
    endif()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "includes against the layers:${violations}")
endif()
