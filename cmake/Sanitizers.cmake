# Sanitizer and fuzzing builds.
#
# TF_SANITIZE: everything built with AddressSanitizer and UndefinedBehaviorSanitizer; undefined behaviour
#   stops the program, so a finding fails its test. Leaks that live inside system libraries are
#   suppressed by tools/lsan-suppressions.txt, compiled into every program so a plain ctest run uses it.
# TF_FUZZ: Clang only, implies TF_SANITIZE. Every object also gets libFuzzer's coverage instrumentation
#   (-fsanitize=fuzzer-no-link), so the fuzzer sees into the libraries, but only the fuzz targets link
#   libFuzzer itself (-fsanitize=fuzzer): the libraries and the test programs stay ordinary programs.
option(TF_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TF_FUZZ "Build the fuzz targets as libFuzzer programs (Clang; implies TF_SANITIZE)" OFF)

if(TF_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TF_FUZZ needs Clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  set(TF_SANITIZE ON CACHE BOOL "" FORCE)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(TF_SANITIZE)
  set(_tf_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=undefined)
  add_compile_options(${_tf_sanitizers} -fno-omit-frame-pointer -g)
  add_link_options(${_tf_sanitizers})

  # The sanitizer runtimes ask the program for its default options and leak suppressions; answering
  # from the program itself makes every test run the same way without environment variables.
  file(READ ${CMAKE_SOURCE_DIR}/tools/lsan-suppressions.txt _tf_supp)
  string(REGEX REPLACE "#[^\n]*" "" _tf_supp "${_tf_supp}")
  string(REGEX REPLACE "[ \t]*\n+" "\\\\n" _tf_supp "${_tf_supp}")
  set(TF_SANITIZER_DEFAULTS ${CMAKE_BINARY_DIR}/sanitizer_defaults.cpp)
  file(CONFIGURE OUTPUT ${TF_SANITIZER_DEFAULTS} CONTENT [=[
// Generated from tools/lsan-suppressions.txt by cmake/Sanitizers.cmake.
extern "C" const char *__lsan_default_suppressions() { return "@_tf_supp@"; }
extern "C" const char *__asan_default_options() { return "detect_leaks=1:strict_string_checks=1"; }
extern "C" const char *__ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }
]=] @ONLY)
  set_source_files_properties(${TF_SANITIZER_DEFAULTS} PROPERTIES COMPILE_OPTIONS "-fno-sanitize=all")
endif()

# Adds the sanitizer defaults to every program below dir; called once after all folders are added.
function(tf_sanitizer_defaults_for_programs dir)
  if(NOT TF_SANITIZE)
    return()
  endif()
  get_property(_targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t IN LISTS _targets)
    get_target_property(_type ${t} TYPE)
    if(_type STREQUAL "EXECUTABLE")
      target_sources(${t} PRIVATE ${TF_SANITIZER_DEFAULTS})
    endif()
  endforeach()
  get_property(_subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(d IN LISTS _subdirs)
    tf_sanitizer_defaults_for_programs(${d})
  endforeach()
endfunction()
