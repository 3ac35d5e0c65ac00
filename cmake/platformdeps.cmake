# Libraries behind platform/. Only kvplatform sees their headers (PRIVATE); nothing above
# platform/ includes them.
pkg_check_modules(KV_SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(KV_FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(KV_FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
pkg_check_modules(KV_PIXMAN REQUIRED IMPORTED_TARGET pixman-1)
pkg_check_modules(KV_PNG REQUIRED IMPORTED_TARGET libpng)
pkg_check_modules(KV_MD REQUIRED IMPORTED_TARGET libmd)
target_link_libraries(kvplatform PRIVATE
  PkgConfig::KV_SDL2 PkgConfig::KV_FREETYPE PkgConfig::KV_FONTCONFIG
  PkgConfig::KV_PIXMAN PkgConfig::KV_PNG PkgConfig::KV_MD)
