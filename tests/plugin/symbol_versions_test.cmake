# Lists the symbol versions the plug-in library needs from other libraries
# (objdump -T) and fails on any Qt minor-version tag (Qt_5.x: the library
# would refuse to load into an older Qt 5) and on an undefined
# GetEventsRegisterManager or _XSys* string function (a host without it would
# refuse the plug-in or end at the first call).
# Where Debian's symbol files of Qt are installed, it also finds the oldest
# Qt 5 release that exports every Qt function the library calls, and fails
# when that is newer than OLDEST_QT: a call that binds to newer Qt API has a
# portable form in src/host/velmo_portable_qt.h.
# Run as: cmake -DLIBRARY=<libwpsvelmo.so.1> -DOLDEST_QT=<5.x> -P symbol_versions_test.cmake
execute_process(COMMAND objdump -T "${LIBRARY}" RESULT_VARIABLE result
  OUTPUT_VARIABLE table ERROR_VARIABLE error)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "objdump -T ${LIBRARY} failed: ${error}")
endif()
string(REPLACE "\n" ";" lines "${table}")
set(needed "")
set(faults "")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "\\*UND\\*")
    continue()
  endif()
  if(line MATCHES "[ \t]\\(?([A-Za-z_]+_[0-9][0-9A-Za-z_.]*)\\)?[ \t]+([^ \t]+)$")
    set(version "${CMAKE_MATCH_1}")
    set(symbol "${CMAKE_MATCH_2}")
    set(calls_${symbol}@${version} 1)
    list(APPEND needed "${version}")
    if(version MATCHES "^Qt_5\\.[0-9]+")
      list(APPEND faults "${symbol} needs ${version}")
    endif()
  endif()
  if(line MATCHES "[ \t](GetEventsRegisterManager|_XSys[A-Za-z]+)$")
    list(APPEND faults "${CMAKE_MATCH_1} is an undefined symbol")
  endif()
endforeach()
list(REMOVE_DUPLICATES needed)
list(SORT needed COMPARE NATURAL)
list(JOIN needed " " needed)
message(STATUS "${LIBRARY} needs: ${needed}")

# Each line of a symbol file: " <symbol>@<version> <first Debian version>".
file(GLOB qt_symbol_files /var/lib/dpkg/info/libqt5*.symbols)
set(oldest_qt "")
foreach(symbol_file IN LISTS qt_symbol_files)
  file(STRINGS "${symbol_file}" entries REGEX "^ [^ ]+@Qt_5 ")
  foreach(entry IN LISTS entries)
    if(NOT entry MATCHES "^ ([^ ]+@Qt_5) ([0-9.]+)")
      continue()
    endif()
    set(symbol "${CMAKE_MATCH_1}")
    set(since "${CMAKE_MATCH_2}")
    if(DEFINED calls_${symbol} AND since VERSION_GREATER oldest_qt)
      set(oldest_qt "${since}")
      set(newest_call "${symbol}")
    endif()
  endforeach()
endforeach()
if(oldest_qt)
  message(STATUS "oldest Qt 5 with every function it calls: ${oldest_qt} (for ${newest_call})")
  if(OLDEST_QT AND oldest_qt VERSION_GREATER OLDEST_QT)
    list(APPEND faults "${newest_call} needs Qt ${oldest_qt}, newer than ${OLDEST_QT}")
  endif()
endif()
if(faults)
  list(JOIN faults "\n  " faults)
  message(FATAL_ERROR "the plug-in library cannot load into every host:\n  ${faults}")
endif()
