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
set(needed libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins fonts-liberation)
set(moduleEntries)
foreach(module ${modules})
  get_filename_component(name ${module} NAME)
  list(APPEND moduleEntries "./usr/${PROGRAM_DIR}/formats/${name}\n")
  execute_process(COMMAND readelf -d ${module} OUTPUT_VARIABLE dynamic)
  # Where each library resolves, so that its owner is this architecture's package, not another's copy.
  execute_process(COMMAND ldd ${module} OUTPUT_VARIABLE resolved)
  string(REGEX MATCHALL "Shared library: \\[[^]]+\\]" libraries "${dynamic}")
  foreach(library ${libraries})
    string(REGEX REPLACE "Shared library: \\[([^]]+)\\]" "\\1" soname "${library}")
    string(REGEX REPLACE "([.+])" "\\\\\\1" pattern "${soname}")
    string(REGEX MATCH "${pattern} => [^ ]+" where "${resolved}")
    string(REGEX REPLACE ".* => " "" where "${where}")
    set(found 1)
    if(where)
      # dpkg knows the name it installed, which a merged /usr may reach by another path.
      get_filename_component(directory ${where} DIRECTORY)
      get_filename_component(directory ${directory} REALPATH)
      foreach(candidate ${where} ${directory}/${soname} /usr${where})
        execute_process(COMMAND dpkg -S "${candidate}" OUTPUT_VARIABLE owner RESULT_VARIABLE found ERROR_QUIET)
        if(found EQUAL 0)
          break()
        endif()
      endforeach()
    endif()
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
