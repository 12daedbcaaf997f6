# Turns the interface table (interfaces.txt) into C++ declarations:
#   wps_interfaces_<namespace>.h  one struct per interface, every slot the
#                                 table does not list declared as a reserved
#                                 placeholder, so each listed method lands on
#                                 its slot;
#   wps_placeholders.h            wps_placeholders::implemented<I>, a base for
#                                 stand-in objects that answers every
#                                 placeholder and every method of the standard
#                                 automation bases with E_NOTIMPL.
# Usage: wps_generate_interfaces(<table> <output folder>)

function(_wps_iid_initializer text out)
  if(NOT text MATCHES "^([0-9A-Fa-f]+)-([0-9A-Fa-f]+)-([0-9A-Fa-f]+)-([0-9A-Fa-f]+)-([0-9A-Fa-f]+)$")
    message(FATAL_ERROR "interface table: malformed IID ${text}")
  endif()
  set(head "0x${CMAKE_MATCH_1}, 0x${CMAKE_MATCH_2}, 0x${CMAKE_MATCH_3}")
  set(tail "${CMAKE_MATCH_4}${CMAKE_MATCH_5}")
  string(LENGTH "${tail}" length)
  if(NOT length EQUAL 16)
    message(FATAL_ERROR "interface table: malformed IID ${text}")
  endif()
  set(bytes "")
  foreach(i RANGE 0 14 2)
    string(SUBSTRING "${tail}" ${i} 2 byte)
    list(APPEND bytes "0x${byte}")
  endforeach()
  list(JOIN bytes ", " bytes)
  set(${out} "{${head}, {${bytes}}}" PARENT_SCOPE)
endfunction()

function(wps_generate_interfaces table out_dir)
  file(STRINGS ${table} lines ENCODING UTF-8)
  set(interfaces "")
  set(current "")
  set(comments "")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^#")
      continue()
    elseif(line MATCHES "^interface +([^ ]+) +([^ ]+) +([^ ]+) +([0-9]+) +([^ ]+)( +standard)?$")
      set(current ${CMAKE_MATCH_2})
      list(APPEND interfaces ${current})
      set(NS_${current} ${CMAKE_MATCH_1})
      set(BASE_${current} ${CMAKE_MATCH_3})
      set(TOTAL_${current} ${CMAKE_MATCH_4})
      set(IID_${current} ${CMAKE_MATCH_5})
      set(STANDARD_${current} "${CMAKE_MATCH_6}")
      set(SLOTS_${current} "")
    elseif(line MATCHES "^//")
      string(APPEND comments "    ${line}\n")
    elseif(line MATCHES "^([0-9]+) +([A-Za-z_0-9]+)\\((.*)\\)$")
      if(current STREQUAL "")
        message(FATAL_ERROR "interface table: method outside an interface: ${line}")
      endif()
      set(slot ${CMAKE_MATCH_1})
      list(APPEND SLOTS_${current} ${slot})
      set(NAME_${current}_${slot} ${CMAKE_MATCH_2})
      set(PARAMS_${current}_${slot} "${CMAKE_MATCH_3}")
      set(COMMENT_${current}_${slot} "${comments}")
      set(comments "")
    elseif(line STREQUAL "end")
      set(current "")
    else()
      message(FATAL_ERROR "interface table: cannot read line: ${line}")
    endif()
  endforeach()

  # Declarations, one file per namespace.
  set(namespaces "")
  foreach(name IN LISTS interfaces)
    set(base ${BASE_${name}})
    if(base STREQUAL "IUnknown")
      set(first 3)
    elseif(DEFINED TOTAL_${base})
      set(first ${TOTAL_${base}})
    else()
      message(FATAL_ERROR "interface table: base ${base} of ${name} is not declared before it")
    endif()
    set(FIRST_${name} ${first})
    set(ns ${NS_${name}})
    if(ns STREQUAL "-")
      set(ns global)
    endif()
    if(NOT ns IN_LIST namespaces)
      list(APPEND namespaces ${ns})
      set(TEXT_${ns} "")
    endif()
    set(text "struct ${name} : ${base} {\n")
    if(NOT IID_${name} STREQUAL "-")
      _wps_iid_initializer(${IID_${name}} iid)
      string(APPEND text "    static constexpr IID iid = ${iid};\n")
    endif()
    math(EXPR last "${TOTAL_${name}} - 1")
    set(previous ${first})
    math(EXPR previous "${first} - 1")
    foreach(slot IN LISTS SLOTS_${name})
      if(slot LESS_EQUAL previous OR slot GREATER last)
        message(FATAL_ERROR "interface table: ${name}: slot ${slot} out of order or outside ${first}..${last}")
      endif()
      set(previous ${slot})
    endforeach()
    foreach(slot RANGE ${first} ${last})
      if(slot IN_LIST SLOTS_${name})
        string(APPEND text "${COMMENT_${name}_${slot}}")
        string(APPEND text "    virtual HRESULT ${NAME_${name}_${slot}}(${PARAMS_${name}_${slot}}) = 0;\n")
      else()
        string(APPEND text "    virtual HRESULT reserved_slot_${slot}() = 0;\n")
      endif()
    endforeach()
    string(APPEND text "\nprotected:\n    ~${name}() = default;\n};\n\n")
    string(APPEND TEXT_${ns} "${text}")
  endforeach()

  set(header "// Generated from platform/wps/abi/interfaces.txt by generate_interfaces.cmake.\n")
  foreach(ns IN LISTS namespaces)
    set(body "${TEXT_${ns}}")
    if(NOT ns STREQUAL "global")
      set(body "namespace ${ns} {\n\n${body}}  // namespace ${ns}\n")
    endif()
    file(CONFIGURE OUTPUT ${out_dir}/wps_interfaces_${ns}.h
      CONTENT "${header}// Included by the host header of the same namespace only.\n\n${body}" @ONLY)
  endforeach()

  # Stand-in bases.
  set(text "")
  foreach(name IN LISTS interfaces)
    set(qualified ${name})
    if(NOT NS_${name} STREQUAL "-")
      set(qualified ${NS_${name}}::${name})
    endif()
    string(APPEND text "template <>\nclass implemented<${qualified}> : public ${qualified} {\npublic:\n")
    set(level ${name})
    while(NOT level STREQUAL "IUnknown")
      math(EXPR last "${TOTAL_${level}} - 1")
      foreach(slot RANGE ${FIRST_${level}} ${last})
        if(slot IN_LIST SLOTS_${level})
          if(STANDARD_${level})
            string(APPEND text "    HRESULT ${NAME_${level}_${slot}}(${PARAMS_${level}_${slot}}) override { return E_NOTIMPL; }\n")
          endif()
        else()
          string(APPEND text "    HRESULT reserved_slot_${slot}() override { return E_NOTIMPL; }\n")
        endif()
      endforeach()
      set(level ${BASE_${level}})
    endwhile()
    string(APPEND text "};\n\n")
  endforeach()
  file(CONFIGURE OUTPUT ${out_dir}/wps_placeholders.h CONTENT "${header}\
// Bases for stand-ins of host objects: implemented<I> answers every reserved
// slot of I and every method of its standard automation bases with E_NOTIMPL,
// so that a stand-in writes only the methods it supports.
#ifndef WPS_PLACEHOLDERS_H
#define WPS_PLACEHOLDERS_H

#include \"ksoapi.h\"
#include \"wpsapi.h\"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored \"-Wunused-parameter\"

namespace wps_placeholders {

template <class I>
class implemented;

${text}}  // namespace wps_placeholders

#pragma GCC diagnostic pop

#endif
" @ONLY)
endfunction()
