# The libraries of the format modules, which only the modules link; the fuzz project finds them the same way.
pkg_check_modules(WEBP REQUIRED IMPORTED_TARGET libwebp libwebpdemux)
pkg_check_modules(TIFF REQUIRED IMPORTED_TARGET libtiff-4)
# LibRaw's thread-safe build: two pictures may develop at once.
pkg_check_modules(LIBRAW REQUIRED IMPORTED_TARGET libraw_r)
pkg_check_modules(JXL REQUIRED IMPORTED_TARGET libjxl libjxl_threads)
pkg_check_modules(OPENJP2 REQUIRED IMPORTED_TARGET libopenjp2)
pkg_check_modules(OPENEXR REQUIRED IMPORTED_TARGET OpenEXR)
pkg_check_modules(HEIF REQUIRED IMPORTED_TARGET libheif)
pkg_check_modules(AVIF REQUIRED IMPORTED_TARGET libavif)
# SVG through librsvg, with cairo, whose image surfaces it draws on.
pkg_check_modules(RSVG REQUIRED IMPORTED_TARGET librsvg-2.0 cairo)
