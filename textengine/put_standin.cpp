// Stand-in until the put family is built: inserted bytes go to the end of the text in the
// last run's style; styles and objects given with them are not read. The put family replaces
// this file.
#include "textengine/weinternal.h"

namespace kv {

OSErr WEInsert(const void* text, i32 length, Handle, Handle, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (length > 0 && text != nullptr) {
    if (OSErr err = _WESplice(r->hText, text, length, -1)) return err;
    r->textLength += length;
    setweelement(r->hRuns, r->nRuns, WERunEntry{r->textLength + 1, -1});
    setweelement(r->hParaRuns, r->nParaRuns, WEParaRunEntry{r->textLength + 1, -1});
    // The chain's last descriptor is its sentinel.
    Handle last = r->objectList;
    for (Handle next; (next = weelement<WEObjectDesc>(last, 0).next) != nilhandle;) last = next;
    WEObjectDesc sentinel = weelement<WEObjectDesc>(last, 0);
    sentinel.offset = r->textLength + 1;
    setweelement(last, 0, sentinel);
    r->selStart = r->selEnd = r->textLength;
    r->flags &= ~weFlagNullStyleValid;
    if (!(r->features & (1u << weFInhibitRecal))) WECalText(we);
  }
  ++r->modCount;
  return noErr;
}

}  // namespace kv
