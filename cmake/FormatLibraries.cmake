# The formats, from their table, for the program's build and the fuzz project alike: each module format's
# libraries, linked by its module alone, in KESTRELLE_FORMAT_<name>_TARGETS (empty for a format that needs
# none), and the modules' names for the code, in picture/ModuleNames.h under KESTRELLE_GENERATED_DIR.
include(${CMAKE_CURRENT_LIST_DIR}/FormatTable.cmake)
set(KESTRELLE_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(names)
foreach(name ${KESTRELLE_MODULE_FORMATS})
  if(KESTRELLE_FORMAT_${name}_LIBRARIES)
    string(TOUPPER ${name} NAME)
    pkg_check_modules(FORMAT_${NAME} REQUIRED IMPORTED_TARGET ${KESTRELLE_FORMAT_${name}_LIBRARIES})
    set(KESTRELLE_FORMAT_${name}_TARGETS PkgConfig::FORMAT_${NAME})
  endif()
  string(APPEND names "inline constexpr char ${name}[] = \"${name}\";\n")
endforeach()
list(TRANSFORM KESTRELLE_WINDOW_FORMATS REPLACE "(.+)" "\"\\1\"" OUTPUT_VARIABLE quoted)
list(JOIN quoted ", " inWindow)
file(CONFIGURE OUTPUT ${KESTRELLE_GENERATED_DIR}/picture/ModuleNames.h CONTENT [[
#pragma once

#include <initializer_list>

// Made by the build from src/picture/formats/formats.txt: the names of the formats a module reads, each
// also its module's, kestrelle-format-<name>.so.
namespace picture::moduleName {

@names@
// The modules the window loads itself: their pictures are not read in a sandboxed helper.
inline constexpr std::initializer_list<const char*> inWindow = {@inWindow@};

} // namespace picture::moduleName
]] @ONLY)

# The files of a module format: its reader with its helpers, and its fuzz target.
#   kestrelle_format_files(<name> <sources variable> <fuzz target variable>)
function(kestrelle_format_files name sources fuzzer)
  set(folder ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../src/picture/formats/modules/${name})
  file(GLOB files CONFIGURE_DEPENDS ${folder}/*.cpp ${folder}/*.h)
  file(GLOB target CONFIGURE_DEPENDS ${folder}/*_fuzzer.cpp)
  list(FILTER files EXCLUDE REGEX "_fuzzer\\.cpp$")
  set(${sources} ${files} PARENT_SCOPE)
  set(${fuzzer} ${target} PARENT_SCOPE)
endfunction()
