# Our own service modules (platform/modules/modules.h): the code of each service that needs a
# large library is built into kvmod_<name>.so instead of kvplatform, so the program links only
# what every run needs and loads a module when a script first uses its service.
#
# kv_module_sources(name files...) names a module's sources (before kvplatform is made, which
# leaves them out); kv_module_libraries(name libs...) links its libraries (after the libraries
# are found). Modules are built beside the program (where the program looks first) and
# installed in lib/kestrove.
set(KV_MODULES)
set(KV_MODULE_SOURCES)
macro(kv_module_sources name)
  list(APPEND KV_MODULES ${name})
  set(KV_MODULE_${name}_SOURCES)
  foreach(f ${ARGN})
    list(APPEND KV_MODULE_${name}_SOURCES ${CMAKE_SOURCE_DIR}/${f})
    list(APPEND KV_MODULE_SOURCES ${CMAKE_SOURCE_DIR}/${f})
  endforeach()
endmacro()

# FFmpeg: movies, recording, the filter-graph transitions, sampled-sound decoding, test movies.
kv_module_sources(media platform/movies/mediamodule.cpp platform/movies/movies.cpp
  platform/movies/movierecorder.cpp platform/effects/xfade.cpp platform/sound/sampledecode.cpp
  platform/testing/testmovies.cpp)
# SDL2's video: the window backend.
kv_module_sources(display platform/backend/displaymodule.cpp platform/backend/sdl2.cpp)
# espeak-ng: speech synthesis.
kv_module_sources(speech platform/speech/synthmodule.cpp platform/speech/espeak.cpp)
# libcurl: fetching URLs.
kv_module_sources(url platform/net/urlmodule.cpp platform/net/urlfetch.cpp)
# openjp2: JPEG 2000 images (and the test images written in it).
kv_module_sources(jpeg2000 platform/qd/jpeg2000module.cpp platform/qd/jpeg2000.cpp
  platform/testing/testjpeg2000.cpp)
# SDL's audio and FluidSynth: sound output and mixing, capture, tunes.
kv_module_sources(sound platform/sound/soundmodule.cpp platform/sound/audio.cpp platform/sound/mixer.cpp
  platform/sound/soundinput.cpp platform/sound/tunes.cpp)
# cairo: print documents as PDF, and anti-aliased pictures.
kv_module_sources(pdf platform/print/pdfmodule.cpp platform/print/pdfdocument.cpp platform/qd/pictsmooth.cpp)
# CUPS: printers and jobs.
kv_module_sources(printers platform/print/printersmodule.cpp platform/print/printers.cpp)
# pocketsphinx (and FFmpeg's resampler): speech recognition.
kv_module_sources(recognition platform/speech/recognitionmodule.cpp platform/speech/recognition.cpp)

function(kv_module_libraries name)
  add_library(kvmod_${name} MODULE ${KV_MODULE_${name}_SOURCES})
  set_target_properties(kvmod_${name} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  # The module's calls to its own routines stay inside it (the program has forwarders of the
  # same names); its data (the runtime root's per-state pointers, say) binds to the program's.
  target_link_options(kvmod_${name} PRIVATE -Wl,-Bsymbolic-functions)
  target_include_directories(kvmod_${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(kvmod_${name} PRIVATE ${ARGN})
  kv_warnings(kvmod_${name})
  # Whatever links the platform layer (the program, tests, tools) finds its modules built.
  add_dependencies(kvplatform kvmod_${name})
  install(TARGETS kvmod_${name} LIBRARY DESTINATION lib/kestrove)
endfunction()
