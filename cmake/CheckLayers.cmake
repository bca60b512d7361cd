# Fails when a source file includes a header of a layer above its own. Run as
#   cmake -DROOT=<source dir> -P CheckLayers.cmake
# Each folder lists the folders whose headers it must never include.
set(rules
  "framework/core|framework/graphics framework/widgets imaging controls report app tools"
  "framework/graphics|framework/widgets imaging controls report app tools"
  "framework/widgets|imaging controls report app tools"
  "imaging|controls report app tools"
  "controls|report app tools"
  "report|app tools")
set(violations "")
foreach(rule IN LISTS rules)
  string(REPLACE "|" ";" parts "${rule}")
  list(GET parts 0 folder)
  list(GET parts 1 forbidden)
  string(REPLACE " " ";" forbidden "${forbidden}")
  file(GLOB_RECURSE files "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp")
  foreach(f IN LISTS files)
    file(STRINGS "${f}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
      foreach(up IN LISTS forbidden)
        string(LENGTH "${up}/" n)
        string(SUBSTRING "${header}" 0 ${n} head)
        if(head STREQUAL "${up}/")
          file(RELATIVE_PATH rel "${ROOT}" "${f}")
          list(APPEND violations "${rel} includes ${header}")
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()
if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Includes that reach up a layer:\n  ${text}")
endif()
message(STATUS "Layers: no include reaches up")
