// The program's side of the media module: each routine loads kvmod_media.so on first use and
// calls it, or answers as the movie layer answers when it is absent.
#include "platform/movies/mediamodule.h"

#include "platform/runtime/root.h"

namespace kv {
namespace {
struct MovieLayerState {
  bool fail = false;  // the test hook: the movie layer does not start
};
}  // namespace

// The movie layer starts when its module is there; start-up asks, so this does not load it.
OSErr EnterMovies() {
  return state<MovieLayerState>().fail || !modulepresent("media") ? OSErr(movieToolboxUninitialized) : OSErr(noErr);
}
void failmovielayer(bool fail) { state<MovieLayerState>().fail = fail; }

#define KV_MEDIA_FORWARDER(...) KV_MODULE_FORWARDER(MediaModule, "media", __VA_ARGS__)
KV_MEDIA_ENTRIES(KV_MEDIA_FORWARDER)

}  // namespace kv
