# Libraries behind platform/. Only kvplatform sees their headers (PRIVATE); nothing above
# platform/ includes them.
pkg_check_modules(KV_SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(KV_FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(KV_FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
pkg_check_modules(KV_PIXMAN REQUIRED IMPORTED_TARGET pixman-1)
pkg_check_modules(KV_PNG REQUIRED IMPORTED_TARGET libpng)
pkg_check_modules(KV_MD REQUIRED IMPORTED_TARGET libmd)
pkg_check_modules(KV_JPEG REQUIRED IMPORTED_TARGET libjpeg)
pkg_check_modules(KV_TIFF REQUIRED IMPORTED_TARGET libtiff-4)
pkg_check_modules(KV_GIF REQUIRED IMPORTED_TARGET libgif)
pkg_check_modules(KV_STB REQUIRED IMPORTED_TARGET stb)
pkg_check_modules(KV_CURL REQUIRED IMPORTED_TARGET libcurl)
pkg_check_modules(KV_AVCODEC REQUIRED IMPORTED_TARGET libavcodec libavformat libavutil libswresample libswscale libavfilter)
pkg_check_modules(KV_FLUIDSYNTH REQUIRED IMPORTED_TARGET fluidsynth)
pkg_check_modules(KV_OPENJP2 REQUIRED IMPORTED_TARGET libopenjp2)
pkg_check_modules(KV_ESPEAK REQUIRED IMPORTED_TARGET espeak-ng)
pkg_check_modules(KV_CAIRO REQUIRED IMPORTED_TARGET cairo cairo-pdf)
pkg_check_modules(KV_FRIBIDI REQUIRED IMPORTED_TARGET fribidi)
pkg_check_modules(KV_HARFBUZZ REQUIRED IMPORTED_TARGET harfbuzz)
target_link_libraries(kvplatform PRIVATE PkgConfig::KV_FRIBIDI PkgConfig::KV_HARFBUZZ
  PkgConfig::KV_FREETYPE PkgConfig::KV_FONTCONFIG
  PkgConfig::KV_PIXMAN PkgConfig::KV_PNG PkgConfig::KV_MD
  PkgConfig::KV_JPEG PkgConfig::KV_TIFF PkgConfig::KV_GIF PkgConfig::KV_STB)
# CUPS has no pkg-config file on Debian 12.
find_library(KV_CUPS_LIBRARY cups REQUIRED)
kv_module_libraries(printers ${KV_CUPS_LIBRARY})
# The dynamic loader, for externals (platform/loader).
target_link_libraries(kvplatform PRIVATE ${CMAKE_DL_LIBS})
# pocketsphinx: Debian's pocketsphinx.pc names /usr/include/sphinxbase, which no package
# installs (sphinxbase's headers are in the multiarch folder), so only the folders that exist
# are used.
pkg_check_modules(KV_POCKETSPHINX REQUIRED pocketsphinx)
kv_module_libraries(recognition ${KV_POCKETSPHINX_LINK_LIBRARIES} PkgConfig::KV_AVCODEC)
foreach(dir IN LISTS KV_POCKETSPHINX_INCLUDE_DIRS)
  if(EXISTS "${dir}")
    target_include_directories(kvmod_recognition SYSTEM PRIVATE "${dir}")
  endif()
endforeach()
# Lua 5.4, the scripting component "Lua" (platform/osa).
pkg_check_modules(KV_LUA REQUIRED IMPORTED_TARGET lua5.4)
target_link_libraries(kvplatform PRIVATE PkgConfig::KV_LUA)

# The modules and their libraries.
kv_module_libraries(media PkgConfig::KV_AVCODEC)
kv_module_libraries(display PkgConfig::KV_SDL2)
kv_module_libraries(sound PkgConfig::KV_SDL2 PkgConfig::KV_FLUIDSYNTH)
kv_module_libraries(speech PkgConfig::KV_ESPEAK)
kv_module_libraries(url PkgConfig::KV_CURL)
kv_module_libraries(jpeg2000 PkgConfig::KV_OPENJP2)
kv_module_libraries(pdf PkgConfig::KV_CAIRO)
