// Commit points: a project's store commits only between whole changes, so that what reaches
// the disk holds all or none of what one command did.
//
// A change is a built-in command a script runs (not `send` and `do`, which only run other
// statements), one event the event loop dispatches, or one line typed into the message box
// or given by --do. While a change is under way flushstar leaves the commit to its end; when
// the outermost change ends, every open project that changed commits. A script handler that a
// change runs is a place of its own: its commands commit each at its end, so that a handler
// that loops does not keep everything it did in one change. Closing a project and compaction
// commit at once.
//
// Whatever marks a project changed goes through markchanged, which also notes that a commit
// may be due: the end of a change walks the open projects only when something was marked
// since the last walk, so that a command that changed nothing costs a flag test.
#pragma once

#include "platform/types.h"

namespace kv {

struct projectstore;

// Marks the project changed since its last commit (its `dirty` flag) and the commit due.
void markchanged(projectstore* st);

bool changeunderway();
void beginchange();
// Ends a change; the outermost end commits every open project that changed (a failure
// ends the program through the fatal-error path, as a failed write-back does).
void endchange();
// Commits every open project that changed: 0, or the first error.
i16 commitchanges();

// One change for the life of the object (nothing when `counts` is false).
class ChangeScope {
 public:
  explicit ChangeScope(bool counts = true) : counts_(counts) {
    if (counts_) beginchange();
  }
  ~ChangeScope() {
    if (counts_) endchange();
  }
  ChangeScope(const ChangeScope&) = delete;
  ChangeScope& operator=(const ChangeScope&) = delete;

 private:
  bool counts_;
};

// A script handler run by a change: inside it no change is under way; the depth of the
// changes around it comes back when it returns.
class HandlerPlace {
 public:
  HandlerPlace();
  ~HandlerPlace();
  HandlerPlace(const HandlerPlace&) = delete;
  HandlerPlace& operator=(const HandlerPlace&) = delete;

 private:
  u32 outer_;
};

}  // namespace kv
