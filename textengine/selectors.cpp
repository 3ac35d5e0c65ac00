// A record's fields by four-character selector, and its two keyed attachments: the property
// collection ({creator, tag} items) and the user-info list ({tag, value} pairs ended by tag 0).
#include "textengine/weinternal.h"

namespace kv {

// Each row carries its field's own width: 4 bytes for refCon and the ids, a procedure
// pointer's width for the hooks.
#define WE_SELECTOR(tag, field) \
  WESelectorRow { fourcc(tag), u16(offsetof(WERec, field)), u16(sizeof(WERec::field)) }
const WESelectorRow __weMainSelectorTable[] = {
    WE_SELECTOR("refc", refCon),
    WE_SELECTOR("text", hText),
    WE_SELECTOR("ausd", ausd),
    WE_SELECTOR("c2p ", charToPixelHook),
    WE_SELECTOR("cbyt", charByteHook),
    WE_SELECTOR("ctyp", charTypeHook),
    WE_SELECTOR("clik", clickLoop),
    WE_SELECTOR("draw", drawTextHook),
    WE_SELECTOR("dtsm", drawTSMHiliteHook),
    WE_SELECTOR("eras", eraseHook),
    WE_SELECTOR("ff2n", familyToFontNameHook),
    WE_SELECTOR("fn2f", fontNameToFamilyHook),
    WE_SELECTOR("flux", fluxProc),
    WE_SELECTOR("hidn", hidn),
    WE_SELECTOR("lbrk", lineBreakHook),
    WE_SELECTOR("p2c ", pixelToCharHook),
    WE_SELECTOR("scrl", scrollProc),
    WE_SELECTOR("wbrk", wordBreakHook),
    WE_SELECTOR("post", tsmPostUpdate),
    WE_SELECTOR("pre ", tsmPreUpdate),
    WE_SELECTOR("tsmd", tsmDocument),
    WE_SELECTOR("undo", undoProc),
    WE_SELECTOR("prep", preparePrintProc),
    WE_SELECTOR("prop", properties),
    WE_SELECTOR("drag", currentDrag),
    WE_SELECTOR("ptrk", ptrk),
    WE_SELECTOR("hidr", hiliteDropAreaHook),
    WE_SELECTOR("xdrg", translateDragHook),
    WE_SELECTOR("tluc", tluc),
    WESelectorRow{0, 0, 0},
};
#undef WE_SELECTOR

const WESelectorRow& _WELookupSelector(const WESelectorRow* table, OSType selector) {
  while (table->size != 0 && table->selector != selector) ++table;
  return *table;
}

OSErr _WEGetField(const WESelectorRow* table, OSType selector, void* value, const void* base) {
  const WESelectorRow& row = _WELookupSelector(table, selector);
  if (row.size == 0 || value == nullptr || base == nullptr) return paramErr;
  std::memcpy(value, static_cast<const u8*>(base) + row.offset, row.size);
  return noErr;
}

OSErr _WESetField(const WESelectorRow* table, OSType selector, const void* value, void* base) {
  const WESelectorRow& row = _WELookupSelector(table, selector);
  if (row.size == 0 || value == nullptr || base == nullptr) return paramErr;
  std::memcpy(static_cast<u8*>(base) + row.offset, value, row.size);
  return noErr;
}

// A hook set to none goes back to the engine's standard procedure, on success or failure.
OSErr WEGetInfo(OSType selector, void* value, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  const OSErr err = _WEGetField(__weMainSelectorTable, selector, value, r);
  _WESetStandardHooks(we);
  return err;
}

OSErr WESetInfo(OSType selector, const void* value, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  const OSErr err = _WESetField(__weMainSelectorTable, selector, value, r);
  _WESetStandardHooks(we);
  return err;
}

// --- Properties ------------------------------------------------------------------------------

OSErr WESetProperty(OSType creator, OSType tag, i32 size, const void* data, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (r->properties == 0 && (r->properties = NewCollection()) == 0) return memFullErr;
  RemoveCollectionItem(r->properties, creator, i32(tag));
  return AddCollectionItem(r->properties, creator, i32(tag), size, data);
}

OSErr WEGetProperty(OSType creator, OSType tag, i32 size, i32* outSize, void* data, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (r->properties == 0) return weNoPropertyErr;
  i32 n = size;
  const OSErr err = GetCollectionItem(r->properties, creator, i32(tag), &n, data);
  if (err == noErr && outSize) *outSize = n;
  return err;
}

OSErr WERemoveProperty(OSType creator, OSType tag, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (r->properties == 0) return weNoPropertyErr;
  return RemoveCollectionItem(r->properties, creator, i32(tag));
}

// --- User info -------------------------------------------------------------------------------

namespace {

struct UserInfoPair {
  u32 tag;
  i32 value;
};

// The index of the tag's pair (tag 0: the ending pair), or -1.
i32 finduserinfo(const WERec& r, u32 tag) {
  const i32 n = i32(HandleCount<UserInfoPair>(r.hUserInfo));
  for (i32 i = 0; i < n; ++i) {
    const u32 t = weelement<UserInfoPair>(r.hUserInfo, i).tag;
    if (t == tag) return i;
    if (t == 0) break;
  }
  return -1;
}

}  // namespace

OSErr WESetUserInfo(OSType tag, i32 value, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  // Tag 0 would end the list early and hide every later pair.
  if (tag == 0) return paramErr;
  const UserInfoPair pair{tag, value};
  if (const i32 i = finduserinfo(*r, tag); i >= 0) {
    setweelement(r->hUserInfo, i, pair);
    return noErr;
  }
  const i32 end = finduserinfo(*r, 0);
  if (end < 0) return paramErr;
  return _WESplice(r->hUserInfo, &pair, i32(sizeof pair), end * i32(sizeof pair));
}

OSErr WEGetUserInfo(OSType tag, i32* value, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  const i32 i = tag == 0 ? -1 : finduserinfo(*r, tag);
  if (i < 0) return paramErr;
  if (value) *value = weelement<UserInfoPair>(r->hUserInfo, i).value;
  return noErr;
}

OSErr WERemoveUserInfo(OSType tag, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  const i32 i = tag == 0 ? -1 : finduserinfo(*r, tag);
  if (i < 0) return paramErr;
  return _WESplice(r->hUserInfo, nullptr, -i32(sizeof(UserInfoPair)), i * i32(sizeof(UserInfoPair)));
}

}  // namespace kv
