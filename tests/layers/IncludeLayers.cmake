# Keeps the folders in their layers: reads the #include lines of every core and front folder
# and fails, naming the file and the line, when one includes a folder its row does not
# name, or Qt where Qt is not allowed. A folder may always include itself; the folders
# marked * (data, tests, bench, fuzz) may include anything and are not read. A folder in the
# table that does not exist yet is skipped.
#
#   cmake -DSOURCE_DIR=<the project's folder> -P IncludeLayers.cmake
#
# The rules, once. A new folder is one new row.
#   folder  | may include besides itself                         | Qt
set(orva_layer_rules
  "model    |                                                     | no"
  "select   | model                                               | no"
  "head     | model select                                        | no"
  "tools    | model select head                                   | no"
  "export   | model select tools                                  | no"
  "formats  | model select head                                   | no"
  "plot     | model select head tools export                      | yes"
  "ui       | model select head tools export formats plot data    | yes"
  "cli      | model select head tools export formats plot data    | yes"
  "python   | model select head tools export formats data         | no"
  "data     | *                                                   | yes"
  "tests    | *                                                   | yes"
  "bench    | *                                                   | yes"
  "fuzz     | *                                                   | yes"
)

cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "IncludeLayers.cmake: pass -DSOURCE_DIR=<the project's folder>")
endif()

set(folders "")
foreach(row IN LISTS orva_layer_rules)
  string(REPLACE "|" ";" cells "${row}")
  list(LENGTH cells count)
  if(NOT count EQUAL 3)
    message(FATAL_ERROR "IncludeLayers.cmake: a row of the table cannot be read: \"${row}\"")
  endif()
  list(GET cells 0 folder)
  list(GET cells 1 allowed)
  list(GET cells 2 qt)
  string(STRIP "${folder}" folder)
  string(STRIP "${allowed}" allowed)
  string(STRIP "${qt}" qt_${folder})
  string(REGEX REPLACE " +" ";" allowed_${folder} "${allowed}")
  list(APPEND folders "${folder}")
endforeach()

# The line number of the first occurrence of text in file.
function(line_of file text out)
  file(READ "${file}" content)
  string(FIND "${content}" "${text}" at)
  string(SUBSTRING "${content}" 0 ${at} before)
  string(REGEX MATCHALL "\n" ends "${before}")
  list(LENGTH ends count)
  math(EXPR line "${count} + 1")
  set(${out} ${line} PARENT_SCOPE)
endfunction()

set(crossings 0)
set(checked 0)
foreach(folder IN LISTS folders)
  if("*" IN_LIST allowed_${folder} OR NOT IS_DIRECTORY "${SOURCE_DIR}/${folder}")
    continue()
  endif()
  file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.hpp"
       "${SOURCE_DIR}/${folder}/*.cpp")
  list(SORT sources)
  foreach(source IN LISTS sources)
    math(EXPR checked "${checked} + 1")
    file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include")
    foreach(include IN LISTS includes)
      set(why "")
      if(include MATCHES "include[ \t]*[\"<]([A-Za-z0-9_]+)/")
        set(target "${CMAKE_MATCH_1}")
        if(target IN_LIST folders AND NOT target STREQUAL folder AND NOT target IN_LIST allowed_${folder})
          set(why "${folder}/ may not include ${target}/")
        endif()
      endif()
      if(include MATCHES "include[ \t]*<Q" AND qt_${folder} STREQUAL "no")
        set(why "${folder}/ may not include Qt")
      endif()
      if(why)
        string(STRIP "${include}" shown)
        line_of("${SOURCE_DIR}/${source}" "${shown}" line)
        message("${source}:${line}: ${shown}: ${why}")
        math(EXPR crossings "${crossings} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

if(crossings GREATER 0)
  message(FATAL_ERROR "${crossings} include(s) cross the layers (rules: tests/layers/IncludeLayers.cmake)")
endif()
message("${checked} files keep to their layers")
