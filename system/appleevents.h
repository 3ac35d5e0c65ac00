// Requests from other programs and the desktop, delivered as high-level events: the catch-all
// handler that turns each into the "appleEvent" message (or, with no window open, runs its
// default handling at once), the default handling itself, reading and answering the current
// request from a script, and sending requests to other programs.
#pragma once

#include <string>

#include "engine/hier.h"
#include "platform/events/eventrecord.h"
#include "platform/ipc/appleevents.h"
#include "platform/runtime/root.h"
#include "platform/types.h"

namespace kv {

// The request being handled: the event and its reply (null while none is handled, or when
// the sender wants no reply), and its class and id.
struct CurrentRequest {
  const AppleEvent* gotit = nullptr;
  AppleEvent* sendit = nullptr;
  u32 currentclass = 0;
  u32 currentid = 0;
};
CurrentRequest& currentrequest();

// Installs the catch-all handler and the coercions (start-up).
void inithandlers();
// Handles the high-level event just fetched into `event`: 0, or the status of what it ran.
i16 doapplevent(const EventRecord& event);
// Runs the requests set aside while a file dialog was up (`aependingevent` non-zero), in the
// order they came; each is answered as if it had just arrived.
void resumesetaside();
// The catch-all handler (procedure-table slot 39).
OSErr Psys7RTwildwild(const AppleEvent* event, AppleEvent* reply, i32 refcon);
// The default handling of the current request (the `appleEvent` command): always 0; errors go
// into the reply.
scriptstatus comappleevent(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
i16 opendocs();
i16 quilletanswer();
// `the result` from an error of the event layer.
void setresult(OSErr err);
// The sender's name (Mac Roman): the URL of one on another machine, else its registered name;
// empty when neither is known.
std::string sendername(const AppleEvent& event);
// Asks for the right to interact with the user (the dialogs of the shell ask before they
// appear; `timeout` in ticks): the program is brought forward and the not-front flag cleared.
// A refusal's code is put into `the result` and answered; 0 when allowed.
i16 notify(i32 timeout);
// Closes every window (sending "quitKestrove" to the last one: a handler that exits to the top
// keeps everything open) and, with `quitafter`, ends the program. 1 (after a beep) while the
// shell is busy, else 0 or a closing status.
i16 aevtquit(u16 quitafter);

// The `request` and `reply` commands (reading and answering the current request, and asking
// another program to evaluate an expression).
scriptstatus comrequest(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comreply(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `send <message> to program <target>`: `at` is the token after `program`; `message` the text
// sent; `empty` whether the message expression was the word empty; `file` for `send file`.
scriptstatus sendae(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, std::string_view message,
                    bool empty, bool file);
// Copies a reply's answer into `it` of `variables`, or into `the result` when there are none.
void extractdata(const AppleEvent& reply, Handle variables);
// Waiting for a reply: the idle procedure (slot 43) and the filter (slot 44).
Boolean Psys7RTidleproc(EventRecord* event, i32* sleep, void* mouseregion);
Boolean Psys7RTeventproc(EventRecord* event, i32 returnid, i32 transactionid, const AEAddressDesc* sender);

// The state of the requests between programs: those set aside while a file dialog is up, the
// program brought forward by one, the quit request under way and the exchanges it may not break.
struct AERequestState {
  u16 aepending;       // a file dialog is up: requests are put aside until it goes
  u64 aependingevent;  // the last request put aside (its token; the main loop runs them all), 0 none
  u16 broughtforward;  // a request brought the program forward (the main loop clears it)
  u16 quitbyevent;     // the quit request is closing the windows
  u32 busyref[3];      // non-zero while the shell is in an exchange a quit may not break
};
inline AERequestState& aerequeststate() { return state<AERequestState>(); }

}  // namespace kv
