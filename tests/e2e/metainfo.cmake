# Validates the AppStream metadata and checks that it declares exactly the picture types that the menu
# entry takes, so that a software centre offers the program for the files a file manager opens with it.
# cmake -DMETAINFO=... -DDESKTOP=... -P metainfo.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND appstreamcli validate --no-net ${METAINFO} RESULT_VARIABLE result OUTPUT_VARIABLE said
  ERROR_VARIABLE said)
if(NOT result EQUAL 0)
  message(SEND_ERROR "appstreamcli validate: ${said}")
endif()

file(READ ${DESKTOP} entry)
# The entry's list ends in a separator.
string(REGEX MATCH "\nMimeType=([^\n]*[^;\n])" line "${entry}")
set(entryTypes "${CMAKE_MATCH_1}")
file(READ ${METAINFO} metainfo)
string(REGEX MATCHALL "<mediatype>[^<]*</mediatype>" declared "${metainfo}")
list(TRANSFORM declared REPLACE "</?mediatype>" "")
list(SORT entryTypes)
list(SORT declared)
if(NOT entryTypes STREQUAL declared)
  message(SEND_ERROR "the metadata's media types (${declared}) are not the menu entry's (${entryTypes})")
endif()
