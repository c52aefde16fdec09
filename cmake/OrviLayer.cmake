# One static library per layer. Sources are collected from the layer's folders, so
# adding a class never means editing a CMake file.
function(orvi_collect_sources out)
  set(files)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS
      ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h)
    list(APPEND files ${found})
  endforeach()
  list(FILTER files EXCLUDE REGEX "/main\\.cpp$")
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# orvi_expose_headers(<target> <PUBLIC|PRIVATE|INTERFACE> <header>...)
# Links each header, under its path below src/, into an include folder of the target's own in
# the build tree, and puts that folder on the target's include path. A library thus sees its
# own headers and those of the libraries it links, and nothing else: "media/VideoInfo.h" is
# found only by code that links the media layer, so an include against the graph fails.
function(orvi_expose_headers target scope)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  foreach(header IN LISTS ARGN)
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR}/src ${header})
    get_filename_component(folder ${root}/${relative} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${header} ${root}/${relative} SYMBOLIC)
  endforeach()
  target_include_directories(${target} ${scope} ${root})
endfunction()

# orvi_add_layer(<target> DIRS <dir>... [INTERNAL <dir>...] [PUBLIC <deps>...]
#                [PRIVATE <deps>...])
# The headers of INTERNAL folders are compiled into the layer but seen only by the layer itself
# and by what links <target>_internal (the tests and tools of those classes).
function(orvi_add_layer target)
  cmake_parse_arguments(ARG "" "" "DIRS;INTERNAL;PUBLIC;PRIVATE" ${ARGN})
  orvi_collect_sources(sources ${ARG_DIRS} ${ARG_INTERNAL})
  orvi_collect_sources(internal_headers ${ARG_INTERNAL})
  list(FILTER internal_headers INCLUDE REGEX "\\.h$")
  set(headers ${sources})
  list(FILTER headers INCLUDE REGEX "\\.h$")
  if(internal_headers)
    list(REMOVE_ITEM headers ${internal_headers})
  endif()
  # Links of headers that moved or went away must not linger.
  file(REMOVE_RECURSE ${CMAKE_BINARY_DIR}/include/${target}
    ${CMAKE_BINARY_DIR}/include/${target}_internal)
  set(has_cpp FALSE)
  foreach(f IN LISTS sources)
    if(f MATCHES "\\.cpp$")
      set(has_cpp TRUE)
    endif()
  endforeach()
  if(has_cpp)
    add_library(${target} STATIC ${sources})
    orvi_expose_headers(${target} PUBLIC ${headers})
    target_link_libraries(${target} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
    if(internal_headers)
      add_library(${target}_internal INTERFACE)
      orvi_expose_headers(${target}_internal INTERFACE ${internal_headers})
      target_link_libraries(${target}_internal INTERFACE ${target})
      target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR}/include/${target}_internal)
    endif()
  else()
    # A layer without sources yet still carries its include path and dependencies.
    add_library(${target} INTERFACE ${sources})
    orvi_expose_headers(${target} INTERFACE ${headers})
    target_link_libraries(${target} INTERFACE ${ARG_PUBLIC} ${ARG_PRIVATE})
  endif()
endfunction()

# One Qt Test executable per tst_*.cpp in a tests folder; helpers (*.cpp without the
# tst_ prefix) in the same folder are compiled into every test of that folder.
function(orvi_add_tests dir)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/tst_*.cpp)
  file(GLOB helpers CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h)
  list(FILTER helpers EXCLUDE REGEX "/tst_[^/]*\\.cpp$")
  foreach(test_source IN LISTS tests)
    get_filename_component(name ${test_source} NAME_WE)
    set(target ${dir}_${name})
    string(REPLACE "/" "_" target ${target})
    add_executable(${target} ${test_source} ${helpers})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} orvi_test_support Qt6::Test)
    target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/${dir}
      ${CMAKE_CURRENT_SOURCE_DIR})
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ORVI_TEST_BINARY_DIR=${CMAKE_BINARY_DIR};ORVI_TEST_SOURCE_DIR=${CMAKE_CURRENT_SOURCE_DIR}"
      TIMEOUT 600)
  endforeach()
endfunction()

# Benchmarks (bench_*.cpp, Google Benchmark) and headless tools (tool_*.cpp, own main).
function(orvi_add_bench dir)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB benches CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/bench_*.cpp)
  file(GLOB tools CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/tool_*.cpp)
  foreach(source IN LISTS benches tools)
    get_filename_component(name ${source} NAME_WE)
    string(REPLACE "_" "-" exe "orvi-${name}")
    add_executable(${exe} ${source})
    target_link_libraries(${exe} PRIVATE ${ARG_LIBS})
    if(name MATCHES "^bench_")
      target_link_libraries(${exe} PRIVATE benchmark::benchmark)
    endif()
  endforeach()
endfunction()

# orvi_add_layer_qml_module(<target> <dir> <qt_add_qml_module arguments>...)
# A layer's QML module. Qt puts the target's source folder (all of src/) on its include path
# for the generated registration; the registration finds the headers by file name in the
# layer's own folder instead, so the layer still sees only what it links.
function(orvi_add_layer_qml_module target dir)
  qt_add_qml_module(${target} ${ARGN})
  get_target_property(folders ${target} INCLUDE_DIRECTORIES)
  list(REMOVE_ITEM folders ${CMAKE_CURRENT_SOURCE_DIR})
  set_property(TARGET ${target} PROPERTY INCLUDE_DIRECTORIES ${folders})
  target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR}/include/${target}/${dir})
endfunction()
