# Run by cpack (CPACK_PROJECT_CONFIG_FILE). dpkg-shlibdeps names the packages of the
# libraries the programs link, but the QML modules that the interface imports are loaded at
# run time and no link names them: ask Qt's import scanner which module folders the
# interface reaches (transitively) and dpkg which packages own them.
cmake_policy(VERSION 3.25)
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

execute_process(
  COMMAND "${ORVI_QML_SCANNER}" -rootPath "${ORVI_QML_SOURCE_DIR}" -importPath "${ORVI_QT_QML_DIR}"
  OUTPUT_VARIABLE imports RESULT_VARIABLE scan_result ERROR_VARIABLE scan_errors)
if(NOT scan_result EQUAL 0)
  message(FATAL_ERROR "Could not scan the interface's QML imports: ${scan_errors}")
endif()

# The modules the interface's own files name; a style or platform module that only another
# module mentions (QtQuick.Controls.macOS) may be absent, these may not.
file(GLOB_RECURSE qml_files "${ORVI_QML_SOURCE_DIR}/*.qml")
set(direct_imports)
foreach(qml_file IN LISTS qml_files)
  file(STRINGS "${qml_file}" lines REGEX "^import [A-Za-z]")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^import ([A-Za-z0-9_.]+).*$" "\\1" module "${line}")
    list(APPEND direct_imports "${module}")
  endforeach()
endforeach()

set(module_files)
string(JSON import_count LENGTH "${imports}")
math(EXPR last "${import_count} - 1")
foreach(index RANGE ${last})
  string(JSON name ERROR_VARIABLE no_name GET "${imports}" ${index} name)
  string(JSON path ERROR_VARIABLE no_path GET "${imports}" ${index} path)
  if(NOT no_path AND EXISTS "${path}/qmldir")
    list(APPEND module_files "${path}/qmldir")
  elseif(name IN_LIST direct_imports AND NOT name MATCHES "^OrviMotion")
    message(FATAL_ERROR "The interface imports ${name}, which is not installed on this machine")
  endif()
endforeach()
list(REMOVE_DUPLICATES module_files)

execute_process(COMMAND dpkg-query --search ${module_files}
  OUTPUT_VARIABLE owners RESULT_VARIABLE query_result ERROR_VARIABLE query_errors)
if(NOT query_result EQUAL 0)
  message(FATAL_ERROR "dpkg does not know who installed a QML module: ${query_errors}")
endif()
# Lines read "package:arch: /path/qmldir".
string(REGEX MATCHALL "(^|\n)[^:\n]+" packages "${owners}")
list(TRANSFORM packages STRIP)
list(REMOVE_DUPLICATES packages)
list(SORT packages)
list(JOIN packages ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
message(STATUS "QML module packages: ${CPACK_DEBIAN_PACKAGE_DEPENDS}")
