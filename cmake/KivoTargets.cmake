# Shared settings for our own targets: warnings on and fatal, optional sanitizers.
function(kivo_target_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # g++ 12's flow-based warnings misfire on inlined standard containers at -O2; they stay
    # visible but do not stop the build.
    target_compile_options(${target} PRIVATE -Wno-error=stringop-overflow -Wno-error=array-bounds
                           -Wno-error=restrict -Wno-error=maybe-uninitialized
                           -Wno-error=stringop-overread)
  endif()
  if(KIVO_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# kivo_add_library(name [QT] SOURCES ... LIBS ...)
function(kivo_add_library name)
  cmake_parse_arguments(A "QT" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(${name} PUBLIC ${A_LIBS})
  kivo_target_options(${name})
  if(KIVO_SANITIZE)
    target_link_options(${name} INTERFACE -fsanitize=address,undefined)
  endif()
endfunction()

# kivo_add_test(name [GUI] SOURCES ... LIBS ...): one GoogleTest program = one CTest test.
# GUI tests run on the offscreen platform plugin.
function(kivo_add_test name)
  cmake_parse_arguments(A "GUI" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} kivo_testsupport GTest::gtest GTest::gmock GTest::gtest_main)
  kivo_target_options(${name})
  target_compile_definitions(${name} PRIVATE KIVO_TESTDATA_DIR="${KIVO_TESTDATA_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  # The undo journal and the thumbnails of a test run go into the build tree, never into
  # the user's.
  set(env "TZ=Europe/Prague;LC_ALL=C.UTF-8;QT_QPA_PLATFORM=offscreen;XDG_STATE_HOME=${CMAKE_BINARY_DIR}/test-state/${name};XDG_CACHE_HOME=${CMAKE_BINARY_DIR}/test-cache/${name}")
  if(A_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${A_TIMEOUT})
endfunction()
