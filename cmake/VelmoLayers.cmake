# The plug-in's folders in layers, lowest first. A file may include headers of
# its own folder and of folders in lower layers only; folders that share a
# layer do not include each other. Arrows then run one way:
#   plugin -> commands -> events -> check, marks -> api -> config -> host
# Run as: cmake -DSOURCE_DIR=<project>/src -P VelmoLayers.cmake
set(velmo_layers
  "host runtime"
  "config"
  "api"
  "check marks"
  "events"
  "commands"
  "plugin")

set(rank 0)
foreach(layer ${velmo_layers})
  string(REPLACE " " ";" folders "${layer}")
  foreach(folder ${folders})
    set(rank_of_${folder} ${rank})
  endforeach()
  math(EXPR rank "${rank} + 1")
endforeach()

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.h)
set(violations "")
foreach(source ${sources})
  string(REGEX MATCH "^[^/]+" from "${source}")
  if(NOT DEFINED rank_of_${from})
    if(NOT source MATCHES "/")
      continue()
    endif()
    string(APPEND violations "\n  ${source}: folder ${from} has no layer")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^#include \"[a-z_]+/")
  foreach(line ${includes})
    string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" to "${line}")
    if(to STREQUAL from)
      continue()
    endif()
    if(NOT DEFINED rank_of_${to})
      string(APPEND violations "\n  ${source}: includes ${to}/, which has no layer")
    elseif(NOT rank_of_${to} LESS rank_of_${from})
      string(APPEND violations "\n  ${source}: ${from}/ includes ${to}/ (${line})")
    endif()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "includes against the layers:${violations}")
endif()
