// The event layer between programs: descriptors (plain data, lists, records), events with
// attributes and parameters, the coercions the system reads through, the tables of event and
// coercion handlers, processing a fetched high-level event, suspending and resuming it,
// sending events (to this program in process, to other programs over their sockets) and the
// request to interact with the user.
//
// Descriptors are values in host order; they cross to another program only in the wire form
// of aewire.h.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/events/eventrecord.h"
#include "platform/events/handlers.h"  // typeSInt32
#include "platform/tsm/tsm.h"          // errAEEventNotHandled
#include "platform/process/process.h"
#include "platform/types.h"

namespace kv {

using DescType = OSType;
using AEKeyword = OSType;
using AEEventClass = OSType;
using AEEventID = OSType;

enum : DescType {
  typeNull = fourcc("null"),
  typeWildCard = fourcc("****"),
  typeAEList = fourcc("list"),
  typeAERecord = fourcc("reco"),
  typeAppleEvent = fourcc("aevt"),
  typeChar = fourcc("TEXT"),
  typeUTF8Text = fourcc("utf8"),
  typeSInt16 = fourcc("shor"),
  typeType = fourcc("type"),
  typeEnumerated = fourcc("enum"),
  typeKeyword = fourcc("keyw"),
  typeProcessSerialNumber = fourcc("psn "),
  typeApplicationURL = fourcc("aprl"),
  typeTargetID = fourcc("targ"),
  typeFileURL = fourcc("furl"),
  typeAlias = fourcc("alis"),
  typeEventRecord = fourcc("evrc"),
  typeAddress = fourcc("ADDR"),
};

// Keywords of the attributes every event carries.
enum : AEKeyword {
  keyDirectObject = fourcc("----"),
  keyErrorNumber = fourcc("errn"),
  keyErrorString = fourcc("errs"),
  keyAddressAttr = fourcc("addr"),
  keyEventClassAttr = fourcc("evcl"),
  keyEventIDAttr = fourcc("evid"),
  keyReturnIDAttr = fourcc("rtid"),
  keyTransactionIDAttr = fourcc("tran"),
  keyEventSourceAttr = fourcc("esrc"),
  keyOriginalAddressAttr = fourcc("from"),
  keyTimeoutAttr = fourcc("timo"),
  keyInteractLevelAttr = fourcc("inte"),
  keyOptionalKeywordAttr = fourcc("optk"),
  keyMissedKeywordAttr = fourcc("miss"),
};

// Where an event came from ('esrc').
enum : i16 { kAEUnknownSource = 0, kAEDirectCall = 1, kAESameProcess = 2, kAELocalProcess = 3, kAERemoteProcess = 4 };

// Send modes (the low bits) and the interaction bits ORed into them.
enum : i32 { kAENoReply = 1, kAEQueueReply = 2, kAEWaitReply = 3, kAEAlwaysInteract = 0x30 };
// Time-outs in ticks: the default (3,600 ticks) and none (for ever).
enum : i32 { kAEDefaultTimeout = -1, kNoTimeOut = -2 };

enum : OSErr {
  procNotFoundErr = -600,
  noOutstandingHLE = -608,
  connectionInvalid = -609,
  noResponseErr = -906,
  errAECoercionFail = -1700,
  errAEDescNotFound = -1701,
  errAECorruptData = -1702,
  errAEWrongDataType = -1703,
  errAENotAEDesc = -1704,
  errAEBadListItem = -1705,
  errAEReplyNotValid = -1709,
  errAEUnknownSendMode = -1710,
  errAEWaitCanceled = -1711,
  errAETimeout = -1712,
  errAENoUserInteraction = -1713,
  errAEIllegalIndex = -1719,
};

// A descriptor: plain data of a type, or a list (items keyed 0) or record (items keyed) of
// descriptors. An event ('aevt') keeps its parameters as items and its attributes beside them.
struct AEDesc {
  DescType descriptorType = typeNull;
  std::vector<u8> data;
  std::vector<std::pair<AEKeyword, AEDesc>> items;
  std::vector<std::pair<AEKeyword, AEDesc>> attributes;
  bool operator==(const AEDesc&) const = default;
};
using AppleEvent = AEDesc;
using AEAddressDesc = AEDesc;
using AEDescList = AEDesc;

bool isaggregate(DescType type);

OSErr AECreateDesc(DescType type, const void* data, Size size, AEDesc* out);
OSErr AECreateList(bool isrecord, AEDesc* out);
void AEDisposeDesc(AEDesc* desc);
OSErr AECountItems(const AEDesc& list, i32* count);
// Puts an item at `index` (from 1; 0 or one past the end appends) of a list.
OSErr AEPutPtr(AEDesc* list, i32 index, DescType type, const void* data, Size size);
OSErr AEPutDesc(AEDesc* list, i32 index, const AEDesc& item);
// Reads item `index` (from 1) coerced to `desired`: at most `max` bytes copied, `actual` the
// whole size.
OSErr AEGetNthPtr(const AEDesc& list, i32 index, DescType desired, AEKeyword* key, DescType* type, void* buf, Size max,
                  Size* actual);
OSErr AEGetNthDesc(const AEDesc& list, i32 index, DescType desired, AEKeyword* key, AEDesc* out);
// Coerces through the built-in coercions and the installed handlers.
OSErr AECoerceDesc(const AEDesc& desc, DescType desired, AEDesc* out);
OSErr AECoercePtr(DescType type, const void* data, Size size, DescType desired, AEDesc* out);

OSErr AECreateAppleEvent(AEEventClass cls, AEEventID id, const AEAddressDesc& target, i16 returnID, i32 transactionID,
                         AppleEvent* out);
OSErr AEPutParamPtr(AppleEvent* event, AEKeyword key, DescType type, const void* data, Size size);
OSErr AEPutParamDesc(AppleEvent* event, AEKeyword key, const AEDesc& desc);
OSErr AEGetParamPtr(const AppleEvent& event, AEKeyword key, DescType desired, DescType* type, void* buf, Size max,
                    Size* actual);
OSErr AEGetParamDesc(const AppleEvent& event, AEKeyword key, DescType desired, AEDesc* out);
OSErr AEPutAttributePtr(AppleEvent* event, AEKeyword key, DescType type, const void* data, Size size);
OSErr AEPutAttributeDesc(AppleEvent* event, AEKeyword key, const AEDesc& desc);
OSErr AEGetAttributePtr(const AppleEvent& event, AEKeyword key, DescType desired, DescType* type, void* buf, Size max,
                        Size* actual);
OSErr AEGetAttributeDesc(const AppleEvent& event, AEKeyword key, DescType desired, AEDesc* out);

// Handlers: an event handler answers the event (its reply may be empty when none is wanted);
// a coercion handler turns a descriptor into the wanted type.
using AEEventHandlerProcPtr = OSErr (*)(const AppleEvent* event, AppleEvent* reply, i32 refcon);
using AECoercionHandlerProcPtr = OSErr (*)(const AEDesc* from, DescType wanted, i32 refcon, AEDesc* result);
OSErr AEInstallEventHandler(AEEventClass cls, AEEventID id, AEEventHandlerProcPtr handler, i32 refcon);
OSErr AEInstallCoercionHandler(DescType from, DescType to, AECoercionHandlerProcPtr handler, i32 refcon);
void AERemoveHandlers();

// Processes the high-level event just fetched: its handler runs (the one installed for its
// class and id, else for wildcards), and its reply goes back to the sender.
OSErr AEProcessAppleEvent(const EventRecord& event);
// Puts the event being handled aside: its reply is not sent when the handler returns. The
// token names it for AEResumeTheCurrentEvent, which runs it through the handlers again.
OSErr AESuspendTheCurrentEvent(const AppleEvent* event, u64* token);
OSErr AEResumeTheCurrentEvent(u64 token);

// While waiting for a reply: the idle procedure sees every event (answers true to cancel;
// `sleep` ticks asked), the filter decides which events it may see.
using AEIdleProcPtr = Boolean (*)(EventRecord* event, i32* sleep, void* mouseregion);
using AEFilterProcPtr = Boolean (*)(EventRecord* event, i32 returnID, i32 transactionID, const AEAddressDesc* sender);
// Sends an event. Its target is a 'psn ' address ({0, 2} is this program) or an 'aprl' URL
// of a program on another machine, reached over TCP (remote.h; whether requests may leave the
// machine is the caller's decision). With kAEWaitReply the reply (or the time-out -1712) comes
// back; requests to this program run at once in process when waited for, else they are queued
// and delivered by the next event fetch.
OSErr AESend(const AppleEvent& event, AppleEvent* reply, i32 mode, i16 priority, i32 timeout, AEIdleProcPtr idle,
             AEFilterProcPtr filter);
// Asks to interact with the user: the backend's attention request (headless: at once).
OSErr AEInteractWithUser(i32 timeout, void* notification, AEIdleProcPtr idle);

// The high-level request queued for an incoming event (the transport's and the program's own).
struct HighLevelRequest;
AppleEvent requestevent(const HighLevelRequest& request);

// Tests: the next incoming event as one from another machine (its 'addr' the URL given, its
// source 4), queued as a high-level event; the reply it got, kept for the test to read.
void injectremoteevent(AppleEvent event, const std::string& url);
bool takeinjectedreply(AppleEvent* reply);

}  // namespace kv
