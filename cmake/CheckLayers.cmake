# Fails when a source file includes a header of a layer above its own. Run as
#   cmake -DROOT=<source dir> [-DFORBIDDEN_HEADER_DIRS=<dir|dir>] -P CheckLayers.cmake
# Each folder lists the header paths its files must never include ("" headers, matched on
# their start). The page store is also kept from the widget and printing toolkits and from
# the print server: its <> includes must not name a header of FORBIDDEN_HEADER_DIRS (the
# folders of Qt's widget and print-support headers) nor start with one of the prefixes
# given for it.
set(rules
  "framework/core|framework/graphics/ framework/widgets/ imaging/ controls/ report/ app/ tools/"
  "framework/graphics|framework/widgets/ imaging/ controls/ report/ app/ tools/"
  "framework/widgets|imaging/ controls/ report/ app/ tools/"
  "imaging|controls/ report/ app/ tools/"
  "controls|report/ app/ tools/"
  "report|app/ tools/"
  "report/pagestore|framework/widgets/ framework/graphics/Printers.h imaging/ controls/ report/Rp report/rp app/ tools/")
set(system_rules
  "report/pagestore|cups/ QtWidgets/ QtPrintSupport/")

string(REPLACE "|" ";" FORBIDDEN_HEADER_DIRS "${FORBIDDEN_HEADER_DIRS}")
set(violations "")

# Adds to violations every include of the given kind ("quoted" or "system") in a rule's
# folder that starts with one of the rule's prefixes or is a header of one of dirs.
function(check_includes kind rules dirs)
  if(kind STREQUAL "system")
    set(open "<")
    set(close ">")
  else()
    set(open "\"")
    set(close "\"")
  endif()
  foreach(rule IN LISTS rules)
    string(REPLACE "|" ";" parts "${rule}")
    list(GET parts 0 folder)
    list(GET parts 1 forbidden)
    string(REPLACE " " ";" forbidden "${forbidden}")
    file(GLOB_RECURSE files "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp")
    foreach(f IN LISTS files)
      file(STRINGS "${f}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*${open}")
      foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*${open}([^${close}]+)${close}.*" "\\1"
               header "${line}")
        set(bad FALSE)
        foreach(prefix IN LISTS forbidden)
          string(FIND "${header}" "${prefix}" at)
          if(at EQUAL 0)
            set(bad TRUE)
          endif()
        endforeach()
        foreach(dir IN LISTS dirs)
          if(EXISTS "${dir}/${header}")
            set(bad TRUE)
          endif()
        endforeach()
        if(bad)
          file(RELATIVE_PATH rel "${ROOT}" "${f}")
          if(kind STREQUAL "system")
            set(header "<${header}>")
          endif()
          list(APPEND violations "${rel} includes ${header}")
        endif()
      endforeach()
    endforeach()
  endforeach()
  set(violations "${violations}" PARENT_SCOPE)
endfunction()

check_includes(quoted "${rules}" "")
check_includes(system "${system_rules}" "${FORBIDDEN_HEADER_DIRS}")

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Includes that reach up a layer:\n  ${text}")
endif()
message(STATUS "Layers: no include reaches up")
