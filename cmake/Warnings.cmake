# Warnings always show; they stop the build only where asked. The project's own test build (test.sh) asks,
# so a new warning fails there; a user's or a packager's build of any type never stops on a compiler's
# warning, which a newer compiler or another optimisation level can raise in code that is sound.
option(KESTRELLE_WERROR "Treat compiler warnings as errors" OFF)
add_compile_options(-Wall -Wextra $<$<BOOL:${KESTRELLE_WERROR}>:-Werror>)
