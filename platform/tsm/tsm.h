// Inline input: documents that take an input method's composition, one of them active, and the
// requests the input method sends to the document's owner as keyed records.
#pragma once

#include <string>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

using TSMDocumentID = RegistryId;

constexpr OSType kTextServiceClass = 0x74737663;       // 'tsvc'
constexpr OSType kUpdateActiveInputArea = 0x75706474;  // 'updt'
constexpr OSType kPos2Offset = 0x70327374;             // 'p2st'
constexpr OSType kOffset2Pos = 0x73743270;             // 'st2p'
constexpr OSType kGetSelectedText = 0x67747874;        // 'gtxt'
constexpr OSErr tsmNeverRegisteredErr = -2504;         // the document was registered already
constexpr OSErr errAEEventNotHandled = -1708;
constexpr OSErr errAEHandlerNotFound = -1717;
constexpr OSErr errOffsetInvalid = -1800;
constexpr OSErr errOffsetIsOutsideOfView = -1801;

// A range of inline text: offsets from the active area's start and a hilite style (1 or -1: the
// caret's place).
struct TSMTextRange {
  i32 start = 0;
  i32 end = 0;
  i16 hiliteStyle = 0;
  bool operator==(const TSMTextRange&) const = default;
};
using TSMTextRanges = std::vector<TSMTextRange>;

// One parameter's value: a long, a short, a boolean, text bytes, a point, one range or an array.
using TSMValue = std::variant<i32, i16, bool, std::string, Point, TSMTextRange, TSMTextRanges>;

// A request or a reply: its class and id and its parameters by key.
struct TSMRecord {
  OSType eventClass = 0;
  OSType eventID = 0;
  std::vector<std::pair<OSType, TSMValue>> params;

  // The parameter of the key when it holds a T, else null.
  template <class T>
  const T* get(OSType key) const {
    for (const auto& [k, v] : params)
      if (k == key) return std::get_if<T>(&v);
    return nullptr;
  }
  // The value goes straight into the variant of the parameter (no temporary variant is built).
  template <class T>
  void put(OSType key, T&& value) {
    for (auto& [k, v] : params)
      if (k == key) {
        v = std::forward<T>(value);
        return;
      }
    params.emplace_back(std::piecewise_construct, std::forward_as_tuple(key),
                        std::forward_as_tuple(std::forward<T>(value)));
  }
};

// A handler of one request of one class.
using TSMHandler = OSErr (*)(const TSMRecord& event, TSMRecord* reply, u32 refCon);
// Installs (replacing) the handler of a class and id; removing answers errAEHandlerNotFound
// when that handler is not the one installed.
OSErr InstallTSMHandler(OSType eventClass, OSType eventID, TSMHandler handler, u32 refCon);
OSErr RemoveTSMHandler(OSType eventClass, OSType eventID, TSMHandler handler);
// Hands a request to its handler: errAEEventNotHandled when none is installed.
OSErr SendTSMEvent(const TSMRecord& event, TSMRecord* reply);

// Documents: a new one for the interface with the owner's reference as its refCon; the active
// one takes the composition. Deleting the active one leaves none active.
OSErr NewTSMDocument(OSType interfaceType, u32 refCon, TSMDocumentID* document);
OSErr DeleteTSMDocument(TSMDocumentID document);
OSErr ActivateTSMDocument(TSMDocumentID document);
OSErr DeactivateTSMDocument(TSMDocumentID document);
TSMDocumentID activetsmdocument();
u32 tsmdocumentrefcon(TSMDocumentID document);
std::size_t tsmdocumentcount();
// Confirms the document's composition: the text being composed arrives as a final update
// (all of it confirmed) and the composition ends.
OSErr FixTSMDocument(TSMDocumentID document);

// Whether compositions are shown in the input method's own window instead of in place (the
// backend is asked for that window). While it is, compositions reach no document and the
// committed text arrives as key presses. Turning it on confirms a composition in progress.
void useinputwindow(bool use);
bool inputwindowinuse();

// What the input method sends to the active document (text in the document's encoding): a
// composition in progress with its cursor, and the committed text. false when no document is
// active or the input window is in use (committed text then goes on as keys).
bool tsmcompose(const std::string& text, i32 cursor);
bool tsmcommit(const std::string& text);

}  // namespace kv
