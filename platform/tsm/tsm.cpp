#include "platform/tsm/tsm.h"

#include <algorithm>
#include <memory>

#include "platform/backend/backend.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

constexpr OSType kKeyRefCon = 0x72656663;     // 'refc'
constexpr OSType kKeyText = 0x6B646174;       // 'kdat'
constexpr OSType kKeyFixLength = 0x6669786C;  // 'fixl'
constexpr OSType kKeyHilites = 0x68726E67;    // 'hrng'
constexpr i16 kConvertedText = 4;             // hilite of text being composed

struct TSMDocument {
  OSType interfaceType = 0;
  u32 refCon = 0;
  std::string composing;  // the text of the composition in progress
  bool open = false;      // a composition is in progress
};

struct TSMHandlerRow {
  OSType eventClass;
  OSType eventID;
  TSMHandler handler;
  u32 refCon;
};

struct TSMState {
  Registry<TSMDocument, RegType::tsmdocument> documents;
  TSMDocumentID active = nilid;
  std::vector<TSMHandlerRow> handlers;
  bool inputwindow = false;  // compositions stay in the input method's own window
};
TSMState& ts() { return state<TSMState>(); }

// Sends an update of the document's whole inline text with the bytes confirmed.
OSErr sendupdate(TSMDocumentID id, const std::string& text, i32 fixed, const TSMTextRanges* hilites) {
  TSMDocument* d = ts().documents.get(id);
  if (d == nullptr) return paramErr;
  TSMRecord event{kTextServiceClass, kUpdateActiveInputArea, {}};
  event.put(kKeyRefCon, i32(d->refCon));
  event.put(kKeyText, text);
  event.put(kKeyFixLength, fixed);
  if (hilites) event.put(kKeyHilites, *hilites);
  TSMRecord reply;
  return SendTSMEvent(event, &reply);
}

}  // namespace

OSErr InstallTSMHandler(OSType eventClass, OSType eventID, TSMHandler handler, u32 refCon) {
  if (handler == nullptr) return paramErr;
  auto& rows = ts().handlers;
  for (auto& row : rows)
    if (row.eventClass == eventClass && row.eventID == eventID) {
      row.handler = handler;
      row.refCon = refCon;
      return noErr;
    }
  rows.push_back({eventClass, eventID, handler, refCon});
  return noErr;
}

OSErr RemoveTSMHandler(OSType eventClass, OSType eventID, TSMHandler handler) {
  auto& rows = ts().handlers;
  auto it = std::find_if(rows.begin(), rows.end(), [&](const TSMHandlerRow& r) {
    return r.eventClass == eventClass && r.eventID == eventID && r.handler == handler;
  });
  if (it == rows.end()) return errAEHandlerNotFound;
  rows.erase(it);
  return noErr;
}

OSErr SendTSMEvent(const TSMRecord& event, TSMRecord* reply) {
  for (const auto& row : ts().handlers)
    if (row.eventClass == event.eventClass && row.eventID == event.eventID) {
      TSMRecord scratch;
      return row.handler(event, reply ? reply : &scratch, row.refCon);
    }
  return errAEEventNotHandled;
}

OSErr NewTSMDocument(OSType interfaceType, u32 refCon, TSMDocumentID* document) {
  if (document == nullptr) return paramErr;
  auto d = std::make_unique<TSMDocument>();
  d->interfaceType = interfaceType;
  d->refCon = refCon;
  *document = ts().documents.add(std::move(d));
  return *document == nilid ? memFullErr : noErr;
}

OSErr DeleteTSMDocument(TSMDocumentID document) {
  if (ts().documents.get(document) == nullptr) return paramErr;
  if (ts().active == document) ts().active = nilid;
  ts().documents.remove(document);
  return noErr;
}

OSErr ActivateTSMDocument(TSMDocumentID document) {
  if (ts().documents.get(document) == nullptr) return paramErr;
  ts().active = document;
  return noErr;
}

OSErr DeactivateTSMDocument(TSMDocumentID document) {
  if (ts().documents.get(document) == nullptr) return paramErr;
  if (ts().active == document) ts().active = nilid;
  return noErr;
}

TSMDocumentID activetsmdocument() { return ts().active; }

u32 tsmdocumentrefcon(TSMDocumentID document) {
  const TSMDocument* d = ts().documents.get(document);
  return d ? d->refCon : 0;
}

std::size_t tsmdocumentcount() { return ts().documents.count(); }

OSErr FixTSMDocument(TSMDocumentID document) {
  TSMDocument* d = ts().documents.get(document);
  if (d == nullptr) return paramErr;
  if (!d->open) return noErr;
  const std::string text = d->composing;
  d->open = false;
  d->composing.clear();
  return sendupdate(document, text, -1, nullptr);
}

void useinputwindow(bool use) {
  TSMState& s = ts();
  if (s.inputwindow == use) return;
  // A composition in place is confirmed before the input method takes compositions over.
  if (use && s.active != nilid) FixTSMDocument(s.active);
  s.inputwindow = use;
  backend().useinputwindow(use);
}

bool inputwindowinuse() { return ts().inputwindow; }

bool tsmcompose(const std::string& text, i32 cursor) {
  const TSMDocumentID id = ts().active;
  TSMDocument* d = ts().documents.get(id);
  if (d == nullptr || ts().inputwindow) return false;
  d->open = true;
  d->composing = text;
  const i32 n = i32(text.size());
  cursor = std::clamp(cursor, 0, n);
  const TSMTextRanges hilites{{0, n, kConvertedText}, {cursor, cursor, -1}};
  sendupdate(id, text, 0, &hilites);
  return true;
}

bool tsmcommit(const std::string& text) {
  const TSMDocumentID id = ts().active;
  TSMDocument* d = ts().documents.get(id);
  if (d == nullptr || !d->open) return false;
  d->open = false;
  d->composing.clear();
  sendupdate(id, text, -1, nullptr);
  return true;
}

}  // namespace kv
