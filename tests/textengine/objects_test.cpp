// Embedded objects: the chain and its finders, handler registration, objects in layout and
// drawing, their freeing, streaming and the soup of objects (built-in metrics font at 12
// points: ascent 9, height 13; "a" and "b" 7 pixels).
#include <vector>

#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/shapes.h"
#include "store/records.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

constexpr OSType kPlain = fourcc("blob");  // a kind without handlers
constexpr OSType kCounted = fourcc("cntd");

// What the counted kind's handlers heard.
struct Calls {
  int frees = 0;
  std::vector<std::pair<i16, WEObjectDescHandle>> hovers;
};
Calls calls;

OSErr countedfree(WEObjectDescHandle object) {
  ++calls.frees;
  if (Handle data = WEGetObjectDataHandle(object); IsValidHandle(data)) DisposeHandle(data);
  return noErr;
}
OSErr refusingnew(WEObjectPlacement*, WEObjectDescHandle) { return memFullErr; }
OSErr widenew(WEObjectPlacement* p, WEObjectDescHandle) {
  p->size = Point{20, 40};
  p->baseline = -3;
  return noErr;
}

template <class P>
WEProcPtr proc(P p) {
  return reinterpret_cast<WEProcPtr>(p);
}

class WEObjectsTest : public WETest {
 protected:
  void SetUp() override {
    WETest::SetUp();
    calls = Calls{};
  }
  // Inserts an object of the kind at the offset with a data block of its own.
  static WEObjectDescHandle insert(i32 offset, OSType kind, WEReference we, Point size = Point{0, 0}) {
    Handle data = NewHandleClear(4);
    EXPECT_EQ(_WEInsertObjectAtOffset(offset, kind, data, size, we), noErr);
    WEObjectDescHandle object = nilhandle;
    EXPECT_EQ(WEGetObjectAtOffset(offset, &object, we), noErr);
    return object;
  }
  static WELineRec line(WEReference we, i32 i) { return weelement<WELineRec>(rec(we).hLines, i); }
  // The chain's descriptors but the sentinel.
  static i32 chained(WEReference we) {
    i32 n = 0;
    for (Handle h = rec(we).objectList; weelement<WEObjectDesc>(h, 0).next != nilhandle;
         h = weelement<WEObjectDesc>(h, 0).next)
      ++n;
    return n;
  }
};

TEST_F(WEObjectsTest, TheChainAndItsFinders) {
  const WEReference we = maketext("abcdefgh");
  WEObjectDescHandle found = nilhandle;
  EXPECT_EQ(WEFindNextObject(-1, &found, we), -1);
  EXPECT_EQ(chained(we), 0) << "only the sentinel";

  const WEObjectDescHandle three = insert(3, kPlain, we), seven = insert(7, kPlain, we);
  EXPECT_EQ(WEGetObjectOffset(three), 3);
  EXPECT_EQ(WEFindNextObject(-1, &found, we), 3);
  EXPECT_EQ(WEFindNextObject(3, &found, we), 7);
  EXPECT_EQ(found, seven);
  EXPECT_EQ(WEFindNextObject(7, &found, we), -1);
  EXPECT_EQ(found, nilhandle);
  EXPECT_EQ(WEFindPreviousObject(7, &found, we), 3);
  EXPECT_EQ(found, three);
  EXPECT_EQ(WEFindPreviousObject(-1, &found, we), 7) << "-1: before the text's end";
  EXPECT_EQ(WEFindPreviousObject(3, &found, we), -1);

  // Text inserted before an object moves it on; the chain stays in order.
  ASSERT_EQ(_WEInsertText(0, "xy", 2, we), noErr);
  EXPECT_EQ(WEFindNextObject(-1, &found, we), 5);
  EXPECT_EQ(WEFindNextObject(5, &found, we), 9);

  const WEObjectDescHandle next = insert(6, kPlain, we);  // beside the object at 5
  WESetSelection(5, 7, we);
  EXPECT_EQ(WEGetSelectedObject(&found, we), weObjectNotFoundErr) << "two objects are not one";
  WESetSelection(6, 7, we);
  EXPECT_EQ(WEGetSelectedObject(&found, we), noErr);
  EXPECT_EQ(found, next);
  EXPECT_EQ(WEGetObjectAtOffset(0, &found, we), weObjectNotFoundErr);
  EXPECT_EQ(checkruns(we), "");
}

TEST_F(WEObjectsTest, HandlerRegistration) {
  const WEReference we = maketext("ab");
  EXPECT_EQ(WEInstallObjectHandler(kCounted, fourcc("what"), proc(countedfree), we), paramErr);
  EXPECT_EQ(WERemoveObjectHandler(kCounted, fourcc("free"), proc(countedfree), we), weHandlerNotFoundErr);
  EXPECT_EQ(WEInstallObjectHandler(kCounted, fourcc("free"), proc(countedfree), we), noErr);
  EXPECT_EQ(WERemoveObjectHandler(kCounted, fourcc("free"), proc(widenew), we), weHandlerNotInstalledErr);
  WEProcPtr got = nullptr;
  EXPECT_EQ(WEGetObjectHandler(kCounted, fourcc("draw"), &got, we), weHandlerNotInstalledErr) << "an empty field";
  EXPECT_EQ(WEGetObjectHandler(kCounted, fourcc("free"), &got, we), noErr);
  EXPECT_EQ(got, proc(countedfree));
  EXPECT_EQ(WERemoveObjectHandler(kCounted, fourcc("free"), proc(countedfree), we), noErr);
  EXPECT_EQ(WEGetObjectHandler(kCounted, fourcc("free"), &got, we), weHandlerNotInstalledErr);

  // The record's rows come before the global ones; a new object takes its row's value.
  EXPECT_EQ(WEInstallObjectHandler(kCounted, fourcc("refc"), reinterpret_cast<WEProcPtr>(std::uintptr_t(77)), nilid),
            noErr);
  EXPECT_EQ(WEInstallObjectHandler(fourcc("glob"), fourcc("refc"), reinterpret_cast<WEProcPtr>(std::uintptr_t(5)),
                                   nilid),
            noErr);
  OSType kind = 0;
  EXPECT_EQ(_WEGetIndObjectType(0, &kind, we), noErr);
  EXPECT_EQ(kind, kCounted);
  EXPECT_EQ(_WEGetIndObjectType(2, &kind, we), noErr);
  EXPECT_EQ(kind, fourcc("glob"));
  EXPECT_EQ(_WEGetIndObjectType(3, &kind, we), weHandlerNotFoundErr);
  EXPECT_EQ(WEGetObjectRefCon(insert(1, fourcc("glob"), we)), 5u);

  // A new handler that refuses leaves nothing behind; one that answers gives the placement.
  EXPECT_EQ(WEInstallObjectHandler(fourcc("nope"), fourcc("new "), proc(refusingnew), we), noErr);
  EXPECT_EQ(WEInstallObjectHandler(fourcc("wide"), fourcc("new "), proc(widenew), we), noErr);
  WEObjectDescHandle object = nilhandle;
  const i32 before = chained(we);
  Handle data = NewHandle(8);
  EXPECT_EQ(_WENewObject(fourcc("nope"), data, 0, we, &object), memFullErr);
  EXPECT_EQ(object, nilhandle);
  EXPECT_EQ(chained(we), before);
  DisposeHandle(data);
  const WEObjectDescHandle wide = insert(0, fourcc("wide"), we);
  EXPECT_EQ(WEGetObjectSize(wide), (40u << 16) | 20u) << "width in the high half, height in the low";
  EXPECT_EQ(WEGetObjectBaseline(wide), -3);
}

TEST_F(WEObjectsTest, ObjectsInLayoutAndDrawing) {
  const WEReference we = maketext("ab");
  const LongRect dest{10, 10, 90, 95};
  WESetDestRect(&dest, we);
  WESetViewRect(&dest, we);
  insert(1, kPlain, we);
  ASSERT_EQ(WECalText(we), noErr);
  EXPECT_EQ(line(we, 0).lineAscent & 0x7FFF, 32) << "the object stands 32 high on the baseline";
  EXPECT_EQ(line(we, 1).lineOrigin, 32 + 4);

  // Drawn: "a", then the framed 32 x 32 box on the baseline, then "b".
  const Rect all{0, 0, 100, 100};
  EraseRect(&all);
  WEUpdate(0, we);
  const i16 baseline = 10 + 32, left = 10 + 7;
  for (i16 v = i16(baseline - 32); v < baseline; ++v)
    for (i16 h = left; h < left + 32; ++h) {
      RGBColor c;
      GetCPixel(h, v, &c);
      const bool edge = v == baseline - 32 || v == baseline - 1 || h == left || h == left + 31;
      EXPECT_EQ(c.red == 0, edge) << h << "," << v;
    }
  RGBColor below;
  GetCPixel(left, baseline, &below);
  EXPECT_EQ(below.red, 0xFFFF) << "nothing on or below the baseline";

  // Taller and wider objects: a 40-pixel object sets the ascent, an object wider than the
  // line stands on a line of its own.
  WEObjectDescHandle object = nilhandle;
  ASSERT_EQ(WEGetObjectAtOffset(1, &object, we), noErr);
  EXPECT_EQ(WESetObjectSize(object, Point{40, 32}), noErr);
  EXPECT_EQ(line(we, 0).lineAscent & 0x7FFF, 40);
  EXPECT_EQ(WESetObjectSize(object, Point{10, 300}), noErr);
  ASSERT_EQ(rec(we).nLines, 3);
  EXPECT_EQ(line(we, 1).lineStart, 1) << "text before it keeps its line";
  EXPECT_EQ(line(we, 2).lineStart, 2);
  ASSERT_EQ(_WEDeleteRange(0, 1, we), noErr);
  ASSERT_EQ(WECalText(we), noErr);
  EXPECT_EQ(line(we, 1).lineStart, 1) << "alone at the line's start it still takes a line";

  // Geometry changes count as edits; a read-only record refuses them.
  const i32 edits = WEGetModCount(we);
  EXPECT_EQ(WESetObjectSize(object, Point{10, 300}), noErr);
  EXPECT_EQ(WEGetModCount(we), edits) << "nothing changed";
  EXPECT_EQ(WESetObjectBaseline(object, 2), noErr);
  EXPECT_EQ(WEGetModCount(we), edits + 1);
  WEFeatureFlag(weFReadOnly, 1, we);
  EXPECT_EQ(WESetObjectBaseline(object, 4), weReadOnlyErr);
  EXPECT_EQ(WEGetObjectBaseline(object), 2);
}

TEST_F(WEObjectsTest, FreeHandlersHearEveryObjectOnce) {
  ASSERT_EQ(WEInstallObjectHandler(kCounted, fourcc("free"), proc(countedfree), nilid), noErr);
  const WEReference we = maketext("abcdef");
  insert(1, kCounted, we);
  insert(3, kCounted, we);
  insert(5, kCounted, we);
  ASSERT_EQ(_WEDeleteRange(3, 4, we), noErr);
  EXPECT_EQ(calls.frees, 1) << "deleting an object's character frees it";
  ASSERT_EQ(_WEDeleteRange(0, 1, we), noErr);
  EXPECT_EQ(calls.frees, 1);
  WEDispose(we);
  EXPECT_EQ(calls.frees, 3) << "disposing of the record frees the others";
}

TEST_F(WEObjectsTest, StreamingAndProperties) {
  const WEReference we = maketext("ab");
  const WEObjectDescHandle object = insert(1, kPlain, we);
  const Handle data = WEGetObjectDataHandle(object);
  Handle block = NewHandle(3);
  OSType kind = 0;
  bool callers = true;
  EXPECT_EQ(_WEStreamObject(0, &kind, &block, &callers, object), noErr);
  EXPECT_EQ(kind, kPlain);
  EXPECT_EQ(block, data) << "a kind without handlers streams its own data";
  EXPECT_FALSE(callers);

  EXPECT_EQ(WEGetObjectProperty(object, fourcc("VIZU"), fourcc("name"), 0, nullptr, nullptr), weNoPropertyErr);
  const u32 one = 1, two = 2;
  EXPECT_EQ(WESetObjectProperty(object, fourcc("VIZU"), fourcc("name"), 4, &one), noErr);
  EXPECT_EQ(WESetObjectProperty(object, fourcc("VIZU"), fourcc("name"), 4, &two), noErr);
  u32 got = 0;
  i32 size = 0;
  EXPECT_EQ(WEGetObjectProperty(object, fourcc("VIZU"), fourcc("name"), 4, &size, &got), noErr);
  EXPECT_EQ(got, 2u);
  EXPECT_EQ(WERemoveObjectProperty(object, fourcc("VIZU"), fourcc("name")), noErr);
}

// A soup of one entry with the given header fields and `bytes` bytes of data.
Handle soup(i32 offset, i32 datasize, i32 bytes) {
  std::vector<u8> s(sizeof(WESoupHeader) + std::size_t(bytes), 0x5A);
  const WESoupHeader h{offset, kPlain, 0, datasize, 12, 24, 2, 0};
  std::memcpy(s.data(), &h, sizeof h);
  Handle out = nilhandle;
  PtrToHand(s.data(), &out, Size(s.size()));
  return out;
}

TEST_F(WEObjectsTest, SoupsAreReadWithinTheirBytesAndTheInsertedText) {
  const WEReference we = maketext(
      "ab\x01\x01\x01"
      "d");
  struct {
    i32 offset, datasize, bytes;
    OSErr result;
  } rows[] = {
      {0, 3, 3, noErr},                 // an object at 2
      {0, -1, 3, weMalformedScrapErr},  // a size below 0
      {0, 9, 3, weMalformedScrapErr},   // past the soup's end
      {2, 3, 3, weMalformedScrapErr},   // outside the inserted text [2, 4)
      {-1, 3, 3, weMalformedScrapErr},
  };
  for (const auto& row : rows) {
    const Handle h = soup(row.offset, row.datasize, row.bytes);
    EXPECT_EQ(_WEApplySoup(2, 4, h, we), row.result) << row.offset << " " << row.datasize;
    DisposeHandle(h);
  }
  // An object only sits on a placeholder: one over the b would be saved as a placeholder.
  const Handle onb = soup(1, 3, 3);
  EXPECT_EQ(_WEApplySoup(0, 4, onb, we), weMalformedScrapErr);
  DisposeHandle(onb);
  WEObjectDescHandle none = nilhandle;
  EXPECT_NE(WEGetObjectAtOffset(1, &none, we), noErr);
  WEObjectDescHandle object = nilhandle;
  ASSERT_EQ(WEGetObjectAtOffset(2, &object, we), noErr);
  EXPECT_EQ(WEGetObjectSize(object), (24u << 16) | 12u);
  EXPECT_EQ(WEGetObjectBaseline(object), 2);
  EXPECT_EQ(GetHandleSize(WEGetObjectDataHandle(object)), 3);

  // An object written into a soup comes back the same; a prepended one moves the rest on.
  Handle out = NewHandle(0);
  EXPECT_EQ(_WEAppendObjectToSoup(out, object, 1), noErr);
  EXPECT_EQ(_WEPrependObjectToSoup(out, object, 1), noErr);
  ASSERT_EQ(GetHandleSize(out), 2 * (24 + 3));
  EXPECT_EQ(loadat<WESoupHeader>(deref(out)).offset, 0);
  EXPECT_EQ(loadat<WESoupHeader>(deref(out) + 27).offset, 2);
  EXPECT_EQ(_WEApplySoup(2, 5, out, we), noErr);
  ASSERT_EQ(WEGetObjectAtOffset(4, &object, we), noErr);
  EXPECT_EQ(WEGetObjectType(object), kPlain);
  EXPECT_EQ(WEGetObjectSize(object), (24u << 16) | 12u);
  DisposeHandle(out);
  EXPECT_EQ(checkruns(we), "");
}

TEST_F(WEObjectsTest, CharacterFormatsCopyTheirObjectsWhereObjectsAreAllowed) {
  const WEReference source = maketext("ab");
  const WEObjectDescHandle original = insert(1, kPlain, source, Point{16, 8});
  WETextStyle styles[2] = {styleat(0, source), styleat(1, source)};
  const WERunEntry runs[2] = {{0, 0}, {1, 1}};
  Handle hstyles = nilhandle, hruns = nilhandle;
  PtrToHand(styles, &hstyles, sizeof styles);
  PtrToHand(runs, &hruns, sizeof runs);
  for (bool allowed : {false, true}) {
    const WEReference we = maketext("xy");
    const u32 refcon = allowed ? u32(1) << 18 : 0;
    WESetInfo(fourcc("refc"), &refcon, we);
    ASSERT_EQ(_WEApplyCharacterFormatting(0, 2, hruns, hstyles, we), noErr);
    WEObjectDescHandle copy = nilhandle;
    EXPECT_EQ(WEGetObjectAtOffset(1, &copy, we), allowed ? OSErr(noErr) : weObjectNotFoundErr);
    if (allowed) {
      EXPECT_NE(copy, original);
      EXPECT_EQ(WEGetObjectSize(copy), (8u << 16) | 16u);
      EXPECT_EQ(WEGetChar(1, we), 1) << "the object's character";
    }
  }
  DisposeHandle(hstyles);
  DisposeHandle(hruns);
}

}  // namespace
}  // namespace kv
