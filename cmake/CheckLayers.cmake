# Fails when a source file includes a header of a layer above its own, or a layer's library
# links one above it. Run as
#   cmake -DROOT=<source dir> [-DFORBIDDEN_HEADER_DIRS=<dir|dir>]
#         [-DLINKS=<target=lib,lib|target=lib,...>] -P CheckLayers.cmake
# Each folder lists the header paths its files must never include ("" headers, matched on
# their start). The page store is also kept from the widget and printing toolkits and from
# the print server: its <> includes must not name a header of FORBIDDEN_HEADER_DIRS (the
# folders of Qt's widget and print-support headers) nor start with one of the prefixes
# given for it.
set(rules
  "framework/core|framework/graphics/ framework/printing/ framework/widgets/ imaging/ controls/ report/ app/ tools/"
  "framework/graphics|framework/printing/ framework/widgets/ imaging/ controls/ report/ app/ tools/"
  "framework/printing|framework/widgets/ imaging/ controls/ report/ app/ tools/"
  "framework/widgets|imaging/ controls/ report/ app/ tools/"
  "imaging|controls/ report/ app/ tools/"
  "controls|report/ app/ tools/"
  "report|app/ tools/"
  "report/pagestore|framework/widgets/ framework/printing/ imaging/ controls/ report/Rp report/rp app/ tools/")
set(system_rules
  "framework/core|cups/ QtWidgets/ QtPrintSupport/"
  "framework/graphics|cups/ QtWidgets/ QtPrintSupport/"
  "framework/printing|QtWidgets/ QtPrintSupport/"
  "report/pagestore|cups/ QtWidgets/ QtPrintSupport/")
# What each layer's library must never link (directly; the layers below are checked too, so
# nothing comes in through them either).
set(link_rules
  "framework_core|framework_graphics framework_printing framework_widgets Qt6::Widgets Qt6::PrintSupport"
  "framework_graphics|framework_printing framework_widgets Qt6::Widgets Qt6::PrintSupport"
  "framework_printing|framework_widgets Qt6::Widgets Qt6::PrintSupport"
  "report_pagestore|framework_printing framework_widgets Qt6::Widgets Qt6::PrintSupport")

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

# The libraries each layer's library links, as the build has them.
string(REPLACE "|" ";" links "${LINKS}")
foreach(entry IN LISTS links)
  if(entry STREQUAL "")
    continue()
  endif()
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 target)
  list(LENGTH parts n)
  set(linked "")
  if(n GREATER 1)
    list(GET parts 1 linked)
    string(REPLACE "," ";" linked "${linked}")
  endif()
  foreach(rule IN LISTS link_rules)
    string(REPLACE "|" ";" rparts "${rule}")
    list(GET rparts 0 ruled)
    if(NOT ruled STREQUAL target)
      continue()
    endif()
    list(GET rparts 1 forbidden)
    string(REPLACE " " ";" forbidden "${forbidden}")
    foreach(lib IN LISTS linked)
      list(FIND forbidden "${lib}" at)
      if(at GREATER -1)
        list(APPEND violations "${target} links ${lib}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Includes or links that reach up a layer:\n  ${text}")
endif()
message(STATUS "Layers: no include and no link reaches up")
