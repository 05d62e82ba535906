# Starts the program with no picture, to its first frame, and checks that it loaded no format module and
# no picture library of one: each is loaded when a file of its format is first opened, so start-up pays
# nothing for them and a module that is missing refuses its files instead of stopping the program.
# cmake -DPROGRAM=... -P start_up_modules.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env LD_DEBUG=files QT_QPA_PLATFORM=offscreen KESTRELLE_EXIT_AFTER_FIRST_FRAME=1
    ${PROGRAM}
  OUTPUT_VARIABLE output ERROR_VARIABLE loads RESULT_VARIABLE result TIMEOUT 50)
if(NOT result EQUAL 0 OR NOT output MATCHES "first-frame")
  message(FATAL_ERROR "the program did not reach its first frame: ${result}")
endif()
# The dynamic loader names each library it opens, dlopen's too.
string(REGEX MATCHALL "file=[^ ]*(kestrelle-format-|libjpeg|libgif)[^ ]*" loaded "${loads}")
if(loaded)
  list(REMOVE_DUPLICATES loaded)
  message(FATAL_ERROR "start-up loaded what only pictures need: ${loaded}")
endif()
