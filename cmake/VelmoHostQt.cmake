# The plug-in built for the host's own Qt: the host ships Qt 5.12 inside the
# C++ namespace kso_qt as libQt5CoreKso.so.5, libQt5GuiKso.so.5 and
# libQt5WidgetsKso.so.5 in its program directory. A plug-in that named the
# distribution's plain Qt would load a second Qt into the host (one without
# the host's QApplication) or not load at all.
#
# VELMO_HOST_QT: the Qt the packaged plug-in is built for; "kso" (the host's
# own Qt) or "plain" (the distribution's Qt). The simulated host, writer-sim
# and the tests always use the plain build.
set(VELMO_HOST_QT "kso" CACHE STRING "Qt the packaged plug-in is built for: kso or plain")
set_property(CACHE VELMO_HOST_QT PROPERTY STRINGS kso plain)
# Where the host's Qt libraries are taken from; empty: the first of the host's
# program directories that holds them, else link-only stand-ins.
set(VELMO_HOST_QT_LIBRARY_DIR "" CACHE PATH
  "Folder holding libQt5CoreKso.so.5 and the others; empty: the host's program directory or stand-ins")
# The Qt release the host ships: the plug-in may call no Qt function newer.
set(VELMO_HOST_QT_VERSION 5.12.12)

set(VELMO_HOST_QT_MODULES Core Gui Widgets)

# The folder that holds the host's Qt libraries, or "" when none does.
function(velmo_host_qt_library_dir out)
  set(candidates ${VELMO_HOST_QT_LIBRARY_DIR})
  if(NOT candidates)
    set(candidates ${VELMO_WPS_PROGRAM_DIRS})
  endif()
  foreach(dir IN LISTS candidates)
    set(complete ON)
    foreach(module IN LISTS VELMO_HOST_QT_MODULES)
      if(NOT EXISTS ${dir}/libQt5${module}Kso.so.5)
        set(complete OFF)
      endif()
    endforeach()
    if(complete)
      set(${out} ${dir} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  if(VELMO_HOST_QT_LIBRARY_DIR)
    message(FATAL_ERROR "VELMO_HOST_QT_LIBRARY_DIR ${VELMO_HOST_QT_LIBRARY_DIR} lacks libQt5*Kso.so.5")
  endif()
  set(${out} "" PARENT_SCOPE)
endfunction()

# velmo_add_host_qt_plugin(target plain): the plug-in library `plain` again,
# as `target`, with its sources and the whole of the plug-in's core compiled
# with QT_NAMESPACE=kso_qt (moc output included) and linked to the host's Qt
# libraries. Same file name, soname, link options and search path as `plain`,
# in the build tree's lib/host-qt folder.
function(velmo_add_host_qt_plugin target plain)
  get_property(core_sources GLOBAL PROPERTY VELMO_CORE_SOURCES)
  get_property(src GLOBAL PROPERTY VELMO_SOURCE_DIR)
  get_target_property(plain_dir ${plain} SOURCE_DIR)
  get_target_property(plain_sources ${plain} SOURCES)
  set(sources "")
  foreach(source IN LISTS plain_sources)
    get_filename_component(source ${source} ABSOLUTE BASE_DIR ${plain_dir})
    list(APPEND sources ${source})
  endforeach()

  # Compiled once as objects: the stand-ins are made from what they need.
  add_library(${target}_objects OBJECT ${sources} ${core_sources})
  get_target_property(moc Qt5::moc IMPORTED_LOCATION)
  set_target_properties(${target}_objects PROPERTIES AUTOMOC ON AUTOMOC_EXECUTABLE ${moc}
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_compile_definitions(${target}_objects PRIVATE QT_NO_VERSION_TAGGING
    VELMO_VERSION="${PROJECT_VERSION}" QT_NAMESPACE=kso_qt
    QT_CORE_LIB QT_GUI_LIB QT_WIDGETS_LIB QT_NO_DEBUG)
  # The include folders of everything the core uses, but no link to the
  # distribution's Qt.
  set(include_dirs ${src})
  foreach(used wps_headers wps_event_manager_header velmo_protocol sp LibXml2::LibXml2)
    list(APPEND include_dirs $<TARGET_PROPERTY:${used},INTERFACE_INCLUDE_DIRECTORIES>)
  endforeach()
  target_include_directories(${target}_objects PRIVATE ${include_dirs})
  foreach(module IN LISTS VELMO_HOST_QT_MODULES)
    target_include_directories(${target}_objects SYSTEM PRIVATE
      $<TARGET_PROPERTY:Qt5::${module},INTERFACE_INCLUDE_DIRECTORIES>)
  endforeach()

  velmo_host_qt_library_dir(host_dir)
  set(qt_libraries "")
  if(host_dir)
    message(STATUS "The host-Qt plug-in links the host's Qt in ${host_dir}")
    foreach(module IN LISTS VELMO_HOST_QT_MODULES)
      list(APPEND qt_libraries ${host_dir}/libQt5${module}Kso.so.5)
    endforeach()
  else()
    velmo_add_host_qt_stand_ins(${target} qt_libraries)
    set(host_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_stand_ins)
  endif()
  # For the package's dependency scan: these libraries come with the host.
  set_property(GLOBAL APPEND PROPERTY VELMO_HOST_QT_LIBRARY_DIRS ${host_dir})

  add_library(${target} SHARED $<TARGET_OBJECTS:${target}_objects>)
  foreach(property VERSION SOVERSION LINK_DEPENDS BUILD_RPATH INSTALL_RPATH
      BUILD_WITH_INSTALL_RPATH LINK_OPTIONS)
    get_target_property(value ${plain} ${property})
    if(value)
      set_property(TARGET ${target} PROPERTY ${property} "${value}")
    endif()
  endforeach()
  get_target_property(output_name ${plain} OUTPUT_NAME)
  if(NOT output_name)
    set(output_name ${plain})
  endif()
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output_name}
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib/host-qt)
  # Flags among the plain library's links (the C library's older versions).
  get_target_property(plain_links ${plain} LINK_LIBRARIES)
  list(FILTER plain_links INCLUDE REGEX "^-")
  list(FILTER plain_links EXCLUDE REGEX "whole-archive")
  target_link_libraries(${target} PRIVATE ${plain_links})
  # The host's libraries by file, so that the simulated ones' link to the
  # distribution's Qt stays out.
  target_link_libraries(${target} PRIVATE sp $<TARGET_LINKER_FILE:wpsapi>
    $<TARGET_LINKER_FILE:ksoapi> ${qt_libraries} LibXml2::LibXml2 Threads::Threads ${CMAKE_DL_LIBS})
  add_dependencies(${target} wpsapi ksoapi)
endfunction()

# Link-only stand-ins for the host's Qt libraries, made at build time from the
# symbols the objects of `target` need (cmake/host-qt/make-stand-ins.sh).
function(velmo_add_host_qt_stand_ins target out)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_stand_ins)
  set(generated "")
  set(plain_libraries "")
  foreach(module IN LISTS VELMO_HOST_QT_MODULES)
    list(APPEND generated ${dir}/Qt5${module}Kso.c)
    list(APPEND plain_libraries $<TARGET_FILE:Qt5::${module}>)
  endforeach()
  add_custom_command(OUTPUT ${generated}
    COMMAND ${PROJECT_SOURCE_DIR}/cmake/host-qt/make-stand-ins.sh ${dir} ${VELMO_HOST_QT_VERSION}
      ${plain_libraries} -- $<TARGET_OBJECTS:${target}_objects>
    DEPENDS $<TARGET_OBJECTS:${target}_objects> ${PROJECT_SOURCE_DIR}/cmake/host-qt/make-stand-ins.sh
    COMMAND_EXPAND_LISTS VERBATIM
    COMMENT "Link-only stand-ins for the host's Qt libraries")
  # One target drives the command: were each stand-in to run it, a parallel
  # build would write the same files twice at once.
  add_custom_target(${target}_stand_in_sources DEPENDS ${generated})
  add_dependencies(${target}_stand_in_sources ${target}_objects)
  file(WRITE ${dir}/stand-in.map "Qt_5 { global: *; };\n")
  set(libraries "")
  foreach(module IN LISTS VELMO_HOST_QT_MODULES)
    set(stand_in ${target}_Qt5${module}Kso)
    add_library(${stand_in} SHARED ${dir}/Qt5${module}Kso.c)
    set_target_properties(${stand_in} PROPERTIES OUTPUT_NAME Qt5${module}Kso
      LIBRARY_OUTPUT_DIRECTORY ${dir} SOVERSION 5 LINK_DEPENDS ${dir}/stand-in.map)
    target_link_options(${stand_in} PRIVATE "LINKER:--version-script=${dir}/stand-in.map")
    target_compile_options(${stand_in} PRIVATE -w)
    add_dependencies(${stand_in} ${target}_stand_in_sources)
    list(APPEND libraries ${stand_in})
  endforeach()
  set(${out} ${libraries} PARENT_SCOPE)
endfunction()
