// The platform's event handlers: routines installed for (event class, event kind) pairs on
// the application or on one window, called from inside the event wait (dock commands,
// window collapse and expand, the mouse wheel, volume mount and unmount) and from the
// window tracking (bounds changed while a window is resized, the window-menu zoom).
//
// A platform event is a class, a kind and named, typed parameters. It is sent to the
// handlers of its target window first, then to the application's; within a target the
// handler installed last runs first. A handler answers eventNotHandledErr to pass the event
// on; CallNextEventHandler passes it explicitly and answers what the rest of the chain did.
#pragma once

#include <vector>

#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

using EventRef = u32;             // a live platform event; 0 = none
using EventHandlerRef = u32;      // an installed handler; 0 = none
using EventHandlerCallRef = u32;  // one call of a handler chain
using EventHandlerProc = OSStatus (*)(EventHandlerCallRef call, EventRef event, u32 userdata);

struct EventTypeSpec {
  u32 eventClass;
  u32 eventKind;
};

enum : OSStatus {
  eventNotHandledErr = -9874,
  eventParameterNotFoundErr = -9870,
};

// Event classes and kinds.
constexpr u32 kEventClassCommand = fourcc("cmds");
constexpr u32 kEventClassWindow = fourcc("wind");
constexpr u32 kEventClassMouse = fourcc("mous");
constexpr u32 kEventClassVolume = fourcc("vol ");
enum : u32 {
  kEventProcessCommand = 1,
  kEventWindowGetClickActivation = 7,
  kEventWindowBoundsChanged = 27,
  kEventWindowCollapsed = 67,
  kEventWindowExpanded = 70,
  kEventWindowZoom = 75,
  kEventMouseWheelMoved = 10,
  kEventVolumeMounted = 1,
  kEventVolumeUnmounted = 2,
};

// Parameter names and types.
constexpr u32 kEventParamDirectObject = fourcc("----");
constexpr u32 kEventParamHICommand = fourcc("hcmd");
constexpr u32 kEventParamMouseLocation = fourcc("mloc");
constexpr u32 kEventParamKeyModifiers = fourcc("kmod");
constexpr u32 kEventParamMouseWheelAxis = fourcc("mwax");
constexpr u32 kEventParamMouseWheelDelta = fourcc("mwdl");
constexpr u32 kEventParamCurrentBounds = fourcc("crct");
constexpr u32 kEventParamWindowRef = fourcc("wind");
constexpr u32 kEventParamClickActivation = fourcc("clac");
constexpr u32 typeClickActivationResult = fourcc("clac");
constexpr u32 typeWindowRef = fourcc("wind");
constexpr u32 typeFSVolumeRefNum = fourcc("voln");
constexpr u32 typeHICommand = fourcc("hcmd");
constexpr u32 typeQDPoint = fourcc("QDpt");
constexpr u32 typeQDRectangle = fourcc("qdrt");
constexpr u32 typeUInt32 = fourcc("magn");
constexpr u32 typeSInt32 = fourcc("long");
constexpr u32 typeMouseWheelAxis = fourcc("mwax");

// The command of a process-command event (a dock menu item, a window-menu command).
struct HICommand {
  u32 attributes;
  u32 commandID;
  u32 menuRef;
  u16 menuItemIndex;
  u16 reserved;
};

// Carries out a command: sent to the application's handlers first; the platform itself does
// 'bfrt' (bring all windows to the front, already so for a program's own windows).
constexpr u32 kHICommandBringAllToFront = fourcc("bfrt");
OSStatus ProcessHICommand(const HICommand* command);

// --- Installing -------------------------------------------------------------------------
// target: 0 for the application, else a window id. Answers noErr and the handler's id.
OSStatus InstallEventHandler(RegistryId target, EventHandlerProc proc, u32 count, const EventTypeSpec* types,
                             u32 userdata, EventHandlerRef* outRef);
inline OSStatus InstallApplicationEventHandler(EventHandlerProc proc, u32 count, const EventTypeSpec* types,
                                               u32 userdata, EventHandlerRef* outRef) {
  return InstallEventHandler(nilid, proc, count, types, userdata, outRef);
}
OSStatus RemoveEventHandler(EventHandlerRef ref);
// Removes every handler installed on a window (the window is going away).
void removewindowhandlers(RegistryId window);
// The routines installed on one target (0: the application) for an event, newest first.
std::vector<EventHandlerProc> installedhandlers(RegistryId target, u32 eventClass, u32 eventKind);

// --- Events -----------------------------------------------------------------------------
EventRef CreateEvent(u32 eventClass, u32 eventKind);
void ReleaseEvent(EventRef event);
u32 GetEventClass(EventRef event);
u32 GetEventKind(EventRef event);
OSStatus SetEventParameter(EventRef event, u32 name, u32 type, u32 size, const void* data);
// Copies the parameter into the buffer (at most bufferSize bytes); actualSize may be null.
OSStatus GetEventParameter(EventRef event, u32 name, u32 type, u32* actualType, u32 bufferSize, u32* actualSize,
                           void* buffer);

// An event released when the scope ends (also when a handler ends the run).
class ScopedEvent {
 public:
  ScopedEvent(u32 eventClass, u32 eventKind) : ref_(CreateEvent(eventClass, eventKind)) {}
  ~ScopedEvent() { ReleaseEvent(ref_); }
  ScopedEvent(const ScopedEvent&) = delete;
  ScopedEvent& operator=(const ScopedEvent&) = delete;
  operator EventRef() const { return ref_; }

 private:
  EventRef ref_;
};

// Sends an event to a window's handlers, then the application's (target 0: the application
// only). Answers the status of the handler that took it, or eventNotHandledErr.
OSStatus SendEventToTarget(EventRef event, RegistryId target);
OSStatus CallNextEventHandler(EventHandlerCallRef call, EventRef event);

// Sends an event through routines that are not installed on a target (a control's own
// handlers, then its default behaviour): first to last, each passing it on by answering
// eventNotHandledErr or by calling CallNextEventHandler around its own work.
struct DirectHandler {
  EventHandlerProc proc;
  u32 userdata;
};
OSStatus sendeventthrough(EventRef event, std::vector<DirectHandler> handlers);

// --- Click activation --------------------------------------------------------------------
// What a click in the content of a window that is not active does: whether the window comes
// forward, and whether the click reaches its content.
enum : u32 {
  kDoNotActivateAndIgnoreClick = 0,
  kDoNotActivateAndHandleClick = 1,
  kActivateAndIgnoreClick = 2,
  kActivateAndHandleClick = 3,
};
// Asks the window's handlers for kEventWindowGetClickActivation (parameters: the window, the
// global mouse location and the modifier keys); a handler answers by setting the parameter
// kEventParamClickActivation. Without such a handler, or when it sets nothing, the window
// comes forward and takes the click.
u32 windowclickactivation(RegistryId window, Point where, u32 modifiers);

}  // namespace kv
