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

# orvi_add_layer(<target> DIRS <dir>... [PUBLIC <deps>...] [PRIVATE <deps>...])
function(orvi_add_layer target)
  cmake_parse_arguments(ARG "" "" "DIRS;PUBLIC;PRIVATE" ${ARGN})
  orvi_collect_sources(sources ${ARG_DIRS})
  set(has_cpp FALSE)
  foreach(f IN LISTS sources)
    if(f MATCHES "\\.cpp$")
      set(has_cpp TRUE)
    endif()
  endforeach()
  if(has_cpp)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
  else()
    # A layer without sources yet still carries its include path and dependencies.
    add_library(${target} INTERFACE ${sources})
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
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
