# Installs the build into a fresh prefix and checks what a desktop needs there: the program folder with its
# files, the launcher on the PATH, the menu entry and the icons.
# cmake -DBUILD_DIR=... -DPREFIX=... -DPROGRAM_DIR=... -DBIN_DIR=... -DDATA_DIR=... -DMODULES=<name>,... -P
#   install_layout.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

string(REPLACE "," ";" modules "${MODULES}")
list(TRANSFORM modules REPLACE "(.+)" "formats/kestrelle-format-\\1.so")
foreach(file kestrelle kestrelle-decoder HAND-M.CUR x/o.cjs Samples/sample1.bmp Samples/sample2.bmp ${modules})
  if(NOT EXISTS ${PREFIX}/${PROGRAM_DIR}/${file})
    message(SEND_ERROR "${PROGRAM_DIR}/${file} is missing")
  endif()
endforeach()

# The program ./run.sh starts from the build folder, and the installed one, and their decoder helpers look
# for libraries nowhere an empty search path entry would send them: the folder they are started from.
foreach(program ${BUILD_DIR}/kestrelle ${PREFIX}/${PROGRAM_DIR}/kestrelle ${BUILD_DIR}/kestrelle-decoder
    ${PREFIX}/${PROGRAM_DIR}/kestrelle-decoder)
  execute_process(COMMAND readelf -d ${program} OUTPUT_VARIABLE dynamic RESULT_VARIABLE result)
  string(REGEX MATCH "R(UN)?PATH\\)[^\n]*\\[([^]\n]*)\\]" path "${dynamic}")
  if(NOT result EQUAL 0 OR (path AND (CMAKE_MATCH_2 STREQUAL "" OR CMAKE_MATCH_2 MATCHES "^:|:$|::")))
    message(SEND_ERROR "${program} searches the folder it is started from for libraries: ${path}")
  endif()
endforeach()

# A relative link, so the tree still works after it moves.
set(launcher ${PREFIX}/${BIN_DIR}/kestrelle)
file(READ_SYMLINK ${launcher} target)
file(REAL_PATH ${launcher} resolved)
file(REAL_PATH ${PREFIX}/${PROGRAM_DIR}/kestrelle program)
if(IS_ABSOLUTE "${target}" OR NOT resolved STREQUAL program)
  message(SEND_ERROR "${BIN_DIR}/kestrelle should be a relative link to the program, not '${target}'")
endif()

# Each icon's PNG header must give the size that its folder names.
foreach(size 32 48 128 256)
  set(icon ${PREFIX}/${DATA_DIR}/icons/hicolor/${size}x${size}/apps/kestrelle.png)
  if(NOT EXISTS ${icon})
    message(SEND_ERROR "no ${size}x${size} icon")
    continue()
  endif()
  file(READ ${icon} header OFFSET 16 LIMIT 8 HEX)
  math(EXPR expected "${size}" OUTPUT_FORMAT HEXADECIMAL)
  string(REGEX REPLACE "^0x" "" expected ${expected})
  string(LENGTH ${expected} digits)
  math(EXPR padding "8 - ${digits}")
  string(REPEAT 0 ${padding} zeros)
  if(NOT header STREQUAL "${zeros}${expected}${zeros}${expected}")
    message(SEND_ERROR "the ${size}x${size} icon has the header ${header}")
  endif()
endforeach()

set(entry ${PREFIX}/${DATA_DIR}/applications/kestrelle.desktop)
execute_process(COMMAND desktop-file-validate ${entry} RESULT_VARIABLE result OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(NOT result EQUAL 0 OR NOT said STREQUAL "")
  message(SEND_ERROR "desktop-file-validate: ${result} ${said}")
endif()
file(READ ${entry} content)
function(expect_line line)
  string(FIND "\n${content}" "\n${line}\n" at)
  if(at EQUAL -1)
    message(SEND_ERROR "the menu entry lacks the line ${line}")
  endif()
endfunction()
expect_line("Name=Kestrelle")
expect_line("Exec=kestrelle %F")
expect_line("Icon=kestrelle")
expect_line("Categories=Graphics;Viewer;")
