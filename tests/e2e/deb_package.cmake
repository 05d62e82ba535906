# Builds the Debian package into a fresh folder and checks that it declares what the program needs at run
# time, holds the installed tree under /usr with what Debian expects beside it, and passes lintian.
# cmake -DBUILD_DIR=... -DOUTPUT=... -DPROGRAM_DIR=... -DCPACK=... -DCHANGELOG=... -P deb_package.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${OUTPUT})
execute_process(COMMAND ${CPACK} --config ${BUILD_DIR}/CPackConfig.cmake -G DEB -B ${OUTPUT}
  RESULT_VARIABLE result OUTPUT_VARIABLE said ERROR_VARIABLE said)
file(GLOB package ${OUTPUT}/kestrelle_*.deb)
if(NOT result EQUAL 0 OR NOT package)
  message(FATAL_ERROR "cpack failed: ${said}")
endif()

execute_process(COMMAND dpkg-deb --field ${package} Depends OUTPUT_VARIABLE depends)
# Every built format module is in the package, and the packages of the libraries it links are depended on:
# a module is part of the program, and a missing library would refuse its format.
file(GLOB modules ${BUILD_DIR}/formats/kestrelle-format-*.so)
execute_process(COMMAND dpkg-architecture -qDEB_HOST_MULTIARCH OUTPUT_VARIABLE multiarch
  OUTPUT_STRIP_TRAILING_WHITESPACE)
set(needed libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins fonts-liberation)
set(moduleEntries)
foreach(module ${modules})
  get_filename_component(name ${module} NAME)
  list(APPEND moduleEntries "./usr/${PROGRAM_DIR}/formats/${name}\n")
  execute_process(COMMAND readelf -d ${module} OUTPUT_VARIABLE dynamic)
  string(REGEX MATCHALL "Shared library: \\[[^]]+\\]" libraries "${dynamic}")
  foreach(library ${libraries})
    string(REGEX REPLACE "Shared library: \\[([^]]+)\\]" "\\1" soname "${library}")
    # This architecture's copy: another's (libc6-i386, say) may hold the same name.
    execute_process(COMMAND dpkg -S "*/${multiarch}/${soname}" OUTPUT_VARIABLE owner RESULT_VARIABLE found)
    if(NOT found EQUAL 0)
      message(SEND_ERROR "no package holds ${soname}, which ${name} links")
      continue()
    endif()
    string(REGEX REPLACE "^([^:]+):.*" "\\1" owner "${owner}")
    list(APPEND needed ${owner})
  endforeach()
endforeach()
if(NOT modules)
  message(SEND_ERROR "no format module in ${BUILD_DIR}/formats")
endif()
list(REMOVE_DUPLICATES needed)
# The names alone, without versions; each of alternatives counts.
string(STRIP "${depends}" dependedOn)
string(REGEX REPLACE " *\\([^)]*\\)" "" dependedOn "${dependedOn}")
string(REGEX REPLACE " *[,|] *" ";" dependedOn "${dependedOn}")
foreach(package ${needed})
  if(NOT package IN_LIST dependedOn)
    message(SEND_ERROR "Depends lacks ${package}: ${depends}")
  endif()
endforeach()

execute_process(COMMAND dpkg-deb --field ${package} Recommends OUTPUT_VARIABLE recommends)
if(NOT recommends MATCHES "(^|, )xdg-utils( |,|\n|$)")
  message(SEND_ERROR "Recommends lacks xdg-utils: ${recommends}")
endif()

# The changelog's latest entry is the package's version.
execute_process(COMMAND dpkg-deb --field ${package} Version OUTPUT_VARIABLE version OUTPUT_STRIP_TRAILING_WHITESPACE)
file(STRINGS ${CHANGELOG} latest LIMIT_COUNT 1)
if(NOT latest MATCHES "^kestrelle \\(${version}\\) ")
  message(SEND_ERROR "the changelog's latest entry is not version ${version}: ${latest}")
endif()

execute_process(COMMAND dpkg-deb --contents ${package} OUTPUT_VARIABLE contents)
foreach(entry "./usr/bin/kestrelle -> " "./usr/${PROGRAM_DIR}/kestrelle\n" "./usr/${PROGRAM_DIR}/Samples/sample1.bmp\n"
    "./usr/share/applications/kestrelle.desktop\n" "./usr/share/icons/hicolor/256x256/apps/kestrelle.png\n"
    "./usr/share/man/man1/kestrelle.1.gz\n" "./usr/share/doc/kestrelle/copyright\n"
    "./usr/share/doc/kestrelle/changelog.gz\n" "./usr/share/metainfo/example.kestrelle.Kestrelle.metainfo.xml\n"
    ${moduleEntries})
  string(FIND "${contents}" "${entry}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "the package lacks ${entry}")
  endif()
endforeach()

# Errors and warnings fail; notes for information pass.
execute_process(COMMAND lintian --fail-on error,warning ${package} RESULT_VARIABLE result OUTPUT_VARIABLE said
  ERROR_VARIABLE said)
if(NOT result EQUAL 0)
  message(SEND_ERROR "lintian: ${result}\n${said}")
endif()
