# Every source folder is one static library made of the files it holds, so adding a
# module is adding its two files.
function(sleevane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  # GCC pairs the deleting destructors of components with plain allocation and does not
  # see that their destroying delete gives the memory back through the same pair.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-mismatched-new-delete)
  endif()
endfunction()

# moc's step keeps its own record of the headers it has seen and does not notice a header
# added later: when the set of files changes, its output is thrown away so that it runs
# again over all of them.
function(sleevane_reset_moc name sources)
  string(SHA1 digest "${sources}")
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${name}_sources.sha1)
  set(previous "")
  if(EXISTS ${stamp})
    file(READ ${stamp} previous)
  endif()
  if(NOT previous STREQUAL digest)
    file(REMOVE_RECURSE ${CMAKE_CURRENT_BINARY_DIR}/${name}_autogen)
    file(WRITE ${stamp} "${digest}")
  endif()
endfunction()

# A library's own resources, from the resources/ folder beside its sources, compiled into
# it: layouts/ and pictures/ as they lie (":/layouts/<name>", ":/pictures/<name>"), its
# strings.txt as its part of the string table (":/strings/<library>.txt"). Qt links them
# into every program that links the library, so such a program finds them without the
# editor's own resources.
function(sleevane_library_resources name)
  set(dir ${CMAKE_CURRENT_SOURCE_DIR}/resources)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
       ${dir}/layouts/* ${dir}/pictures/*)
  if(EXISTS ${dir}/strings.txt)
    set_source_files_properties(resources/strings.txt PROPERTIES QT_RESOURCE_ALIAS strings/${name}.txt)
    list(APPEND files resources/strings.txt)
  endif()
  if(files)
    qt_add_resources(${name} "${name}" PREFIX "/" BASE resources FILES ${files})
  endif()
endfunction()

function(sleevane_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  sleevane_reset_moc(${name} "${sources}")
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  sleevane_warnings(${name})
  sleevane_library_resources(${name})
endfunction()

# One GoogleTest executable per tested folder; each test runs in its own process
# against the offscreen Qt platform.
function(sleevane_tests name folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.h)
  if(NOT sources)
    return()
  endif()
  sleevane_reset_moc(${name} "${sources}")
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE testsupport ${ARG_DEPS})
  sleevane_warnings(${name})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    # One variable only: a list here would reach the tests as a single variable. The
    # test data folder is compiled into the test support instead.
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
               TIMEOUT 120)
endfunction()
