# Fails when lupdate over the sources would add a text to a catalogue, or when a catalogue
# holds an unfinished entry. Works on copies: the catalogues themselves stay as they are.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${PYTHON} ${SCRIPT} ${WORK}/catalogue_texts.cpp ${TEXTS}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "catalogue_texts.py failed")
endif()
set(failed FALSE)
foreach(ts IN LISTS TS)
  get_filename_component(name ${ts} NAME)
  file(COPY ${ts} DESTINATION ${WORK})
  execute_process(COMMAND ${LUPDATE} -no-obsolete -locations none
                          -tr-function-alias translate+=Translate ${CODE}
                          ${WORK}/catalogue_texts.cpp -ts ${WORK}/${name}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  string(REGEX MATCH "\\(([0-9]+) new and" found "${out}${err}")
  if(NOT rc EQUAL 0 OR NOT CMAKE_MATCH_1 STREQUAL "0")
    message(SEND_ERROR "${name}: texts missing from the catalogue:\n${out}${err}")
    set(failed TRUE)
  endif()
  execute_process(COMMAND ${LRELEASE} ${WORK}/${name} -qm ${WORK}/${name}.qm
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  string(REGEX MATCH "([0-9]+) unfinished" found "${out}${err}")
  if(NOT rc EQUAL 0 OR NOT CMAKE_MATCH_1 STREQUAL "0")
    message(SEND_ERROR "${name}: unfinished entries:\n${out}${err}")
    set(failed TRUE)
  endif()
  message(STATUS "${name}: ${out}")
endforeach()
if(failed)
  message(FATAL_ERROR "The catalogues do not cover every text")
endif()
