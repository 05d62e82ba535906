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
foreach(needed libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins fonts-liberation libwebp7 libwebpdemux2 libtiff6
    libraw20 libqt6svg6)
    libjxl0.7 libopenjp2-7 libopenexr-3-1-30)
  if(NOT depends MATCHES "(^|, )${needed}( |,|\n|$)")
    message(SEND_ERROR "Depends lacks ${needed}: ${depends}")
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
    "./usr/${PROGRAM_DIR}/formats/kestrelle-format-webp.so\n"
    "./usr/${PROGRAM_DIR}/formats/kestrelle-format-tiff.so\n"
    "./usr/${PROGRAM_DIR}/formats/kestrelle-format-raw.so\n"
    "./usr/${PROGRAM_DIR}/formats/kestrelle-format-svg.so\n"
    "./usr/${PROGRAM_DIR}/formats/kestrelle-format-jxl.so\n"
    "./usr/${PROGRAM_DIR}/formats/kestrelle-format-jp2.so\n"
    "./usr/${PROGRAM_DIR}/formats/kestrelle-format-exr.so\n"
    "./usr/share/applications/kestrelle.desktop\n" "./usr/share/icons/hicolor/256x256/apps/kestrelle.png\n"
    "./usr/share/man/man1/kestrelle.1.gz\n" "./usr/share/doc/kestrelle/copyright\n"
    "./usr/share/doc/kestrelle/changelog.gz\n" "./usr/share/metainfo/example.kestrelle.Kestrelle.metainfo.xml\n")
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
