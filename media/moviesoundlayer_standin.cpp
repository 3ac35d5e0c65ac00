// Until movies play there is no movie layer: no movie sound opens.
#include "media/moviesoundlayer.h"

namespace kv {

bool moviesoundlayer() { return false; }
i16 openmoviesound(ConstStringPtr, RegistryId* movie, StringPtr name) {
  *movie = nilid;
  name[0] = 0;
  return 13;
}
void startmoviesound(RegistryId) {}
void taskmoviesound(RegistryId) {}
bool moviesounddone(RegistryId) { return true; }
void rewindmoviesound(RegistryId) {}
void disposemoviesound(RegistryId) {}
void moviesoundtime(RegistryId, StringPtr text) { text[0] = 0; }

}  // namespace kv
