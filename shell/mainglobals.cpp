#include "core/mainglobals.h"

#include <initializer_list>

#include "engine/hier.h"
#include "render/pictbuffers.h"
#include "engine/runblock.h"
#include "engine/variables.h"
#include "media/movies.h"
#include "media/sounds.h"
#include "media/speechrecog.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "shell/commandline.h"
#include "shell/menusets.h"
#include "platform/windows/palettes.h"
#include "platform/windows/windows.h"
#include "core/fatalerror.h"
#include "platform/events/events.h"
#include "store/recordcache.h"
#include "system/dialer.h"

namespace kv {

namespace {
void release(Handle& h) {
  if (h != nilhandle) DisposeHandle(h);
  h = nilhandle;
}
}  // namespace

void releaseglobs(MainGlobals& g) {
  // The handles of the current desk, the open field's object list and the shared project's
  // head record belong to the record cache, not to this record.
  release(g.winds);
  for (menuset& set : g.menusets) {
    release(set.lines);
    set.count = 0;
  }
  release(g.dirlist);
  release(g.recentlist);
  release(g.forwardlist);
  release(g.pushlist);
  release(g.volumelist);
  for (Handle* h : {&g.clickline, &g.clicktext, &g.clickchunk, &g.foundtext, &g.foundfield, &g.foundline, &g.foundchunk,
                    &g.foundwindow})
    release(*h);
  keepmessageboxtext();  // what a run that quits prints at its end
  release(g.msgpending);
  if (g.objectcursor != kArrowCursorMarker) release(g.objectcursor);
  g.objectcursor = nilhandle;
  if (g.defaultcursor != kArrowCursorMarker) release(g.defaultcursor);
  g.defaultcursor = nilhandle;
  release(g.tokenhash);
  release(g.handlerflags);
  releaserepeats(g);
  release(g.repeatque);
  release(g.switchque);
  release(g.calllevels);
  releasehiers();
  release(g.faildescriptor);
  release(g.target);
  release(g.emptyscript);
  release(g.result);
  // The global variables' names and values go with their list.
  dumpglobalvars(g.globalvars);
  g.globalvars = nilhandle;
  release(g.numberformat);
  release(g.settings);
  release(g.workblock);
  release(g.internalqueue);
  release(g.fileType);
  release(g.printLabel);
  release(g.defaultFolder);
  release(g.launchArguments);
  g.backdrop = nilid;
  dumppictbuffers(g.pictbuffers);
  for (int i = 0; i < g.effectcount && i < kMaxEffects; ++i) release(g.effects[i].name);
  g.effectcount = 0;
}

void dumpglobs(i16 emergency) {
  MainGlobals& g = mainglobals();
  checkdialing(1, TickCount());
  dumpmoovs(nilid, false);
  closesoundchannel(0);
  closesoundchannel(1);
  closekeptsounds(nilid);
  if (g.allowRecog != 0 && closespeechrecog() != 0) g.allowRecog = 0;
  if (g.backdrop != nilid && IsValidWindowPtr(g.backdrop)) DisposeWindow(g.backdrop);
  // The two palettes made at start-up.
  for (RegistryId* p : {&g.palette, &g.palette2}) {
    if (*p != nilid) DisposePalette(*p);
    *p = nilid;
  }
  // The menus placed by projects write their records back before the projects close.
  if (!emergency) releasemenusets();
  if (emergency) {
    // After a fatal error every open project writes what it has written so far and closes;
    // changes still pending in the caches are not written (they may be the damaged part).
    RegistryId next = nilid;
    for (RegistryId p = g.openprojects; p != nilid; p = next) {
      next = nextvir(p);
      closevir(p);
    }
    g.sharedstore = nilid;
    g.sharedhead = nilhandle;
  }
  if (!emergency && g.sharedstore != nilid) {
    // The shared project's head record is written back and the project closed.
    RegistryId shared = g.sharedstore;
    g.sharedstore = nilid;
    g.sharedhead = nilhandle;
    checkerr(putvir(shared, 0));
    checkerr(closevir(shared));
  }
  releaseglobs(g);
}

}  // namespace kv
