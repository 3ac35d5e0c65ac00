#include <gtest/gtest.h>

#include <cstring>

#include "platform/memory/memory.h"
#include "render/pictbuffers.h"
#include "platform/qd/qd.h"
#include "render/picturecache.h"
#include "render/pictinfo.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/packing.h"
#include "tests/support/builders.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using namespace kv::storetest;
using ObjectsTest = RuntimeTest;

// Packs a list through its block writer and reads it back, as a record does.
template <class Writer>
Handle throughblock(Writer&& write) {
  Handle dest = NewHandle(0);
  i32 offset = 0, capacity = 0;
  EXPECT_EQ(write(dest, offset, capacity), noErr);
  SetHandleSize(dest, offset);
  i32 at = 0;
  Handle part = nilhandle;
  EXPECT_EQ(unpackobj(dest, at, &part), noErr);
  EXPECT_EQ(at, offset);
  DisposeHandle(dest);
  return part;
}

TEST_F(ObjectsTest, ObjectsWithoutPartsPackToTheirRecordsAndACount) {
  Handle list = NewHandle(0);
  for (u32 id = 100; id < 103; ++id) appendspot(list, newspot(spotgraphic, 102, id));
  ASSERT_EQ(packspot(list), noErr);
  ASSERT_EQ(GetHandleSize(list), 3 * 98 + 2);
  EXPECT_EQ(loadat<u16>(deref(list) + 294), 3u);
  ASSERT_EQ(unpackspot(list), noErr);
  EXPECT_EQ(GetHandleSize(list), 3 * 98);
  EXPECT_EQ(u32(spotof(list, 2).id), 102u);
  dumpspot(list);
}

TEST_F(ObjectsTest, GroupsPackTheirListInsideTheirDataBlock) {
  Handle inner = NewHandle(0);
  appendspot(inner, newspot(spotgraphic, 102, 1));
  appendspot(inner, newspot(spotgraphic, 101, 2));
  Handle list = NewHandle(0);
  spot g = newspot(spotgraphic, stylegroup, 3);
  g.data = inner;
  appendspot(list, g);
  ASSERT_EQ(packspot(list), noErr);
  // One record, the group's data block (two records and their count), the outer count.
  ASSERT_EQ(GetHandleSize(list), 98 + 4 + 2 * 98 + 2 + 2);
  EXPECT_EQ(loadat<u32>(deref(list) + 98), u32(2 * 98 + 2));
  EXPECT_EQ(loadat<u16>(deref(list) + 98 + 4 + 196), 2u);
  EXPECT_EQ(loadat<u16>(deref(list) + 98 + 4 + 198), 1u);
  ASSERT_EQ(unpackspot(list), noErr);
  Handle back = spotof(list, 0).data;
  ASSERT_EQ(GetHandleSize(back), 2 * 98);
  EXPECT_EQ(u32(spotof(back, 1).style), 101u);
  dumpspot(list);
}

TEST_F(ObjectsTest, AltListsKeepOnlyKindsWithData) {
  Handle d1 = texthandle("one"), d0 = texthandle("zero"), d4 = texthandle("four!");
  Handle list = altlist({{1, d1}, {0, d0}, {2, nilhandle}, {4, d4}});
  ASSERT_EQ(packalt(list), noErr);  // d0 is freed with its entry
  // Two entries, two blocks (3 + pad, 5 + pad), the count.
  ASSERT_EQ(GetHandleSize(list), 2 * 8 + (4 + 4) + (4 + 6) + 2);
  EXPECT_EQ(loadat<u32>(deref(list)), 1u);
  EXPECT_EQ(loadat<u32>(deref(list) + 4), 1u) << "data present";
  EXPECT_EQ(loadat<u32>(deref(list) + 8), 4u);
  EXPECT_EQ(loadat<u16>(deref(list) + 34), 2u);
  ASSERT_EQ(unpackalt(list), noErr);
  ASSERT_EQ(numberalthandles(list), 2);
  EXPECT_EQ(textof(getaltdata(list, 1)), "one");
  EXPECT_EQ(textof(getaltdata(list, 4)), "four!");
  dumpalt(list);
}

TEST_F(ObjectsTest, AltCountsFromOlderFilesAndUnknownKinds) {
  // A count stored as 0x0100 reads as one entry.
  Handle list = NewHandle(0);
  alt a{altpictdata, hfield{1}};
  PtrAndHand(&a, list, 8);
  u32 len = 3;
  PtrAndHand(&len, list, 4);
  PtrAndHand("abc\0", list, 4);
  u16 count = 0x0100;
  PtrAndHand(&count, list, 2);
  ASSERT_EQ(unpackalt(list), noErr);
  ASSERT_EQ(numberalthandles(list), 1);
  EXPECT_EQ(textof(getaltdata(list, altpictdata)), "abc");
  dumpalt(list);

  // Kind 7 is dropped; the entries after it keep their data.
  Handle mixed = altlist({{1, texthandle("a")}, {7, texthandle("seven")}, {200, texthandle("extras")}});
  Handle packed = throughblock([&](Handle d, i32& o, i32& c) { return fastalt(d, o, c, mixed); });
  ASSERT_EQ(unpackalt(packed), noErr);
  ASSERT_EQ(numberalthandles(packed), 2);
  EXPECT_EQ(textof(getaltdata(packed, 1)), "a");
  EXPECT_EQ(textof(getaltdata(packed, 200)), "extras");
  EXPECT_EQ(getaltdata(packed, 7), nilhandle);
  dumpalt(packed);
  dumpalt(mixed);

  OwnedHandle tiny(NewHandleClear(9));
  ASSERT_EQ(unpackalt(tiny), noErr);
  EXPECT_EQ(GetHandleSize(tiny), 0);
}

TEST_F(ObjectsTest, AltListOperations) {
  Handle list = NewHandle(0);
  Handle first = texthandle("first");
  ASSERT_EQ(setaltdata(list, first, 3), noErr);
  ASSERT_EQ(setaltdata(list, texthandle("x"), 101), noErr);
  ASSERT_EQ(setaltdata(list, texthandle("second"), 3), noErr);  // replaces, freeing "first"
  EXPECT_EQ(numberalthandles(list), 2);
  EXPECT_EQ(countalttype(list, 3), 1);
  EXPECT_EQ(textof(getaltdata(list, 3)), "second");
  EXPECT_EQ(sizealt(list), 16 + 6 + 1);
  ASSERT_EQ(deletealt(list, 3), noErr);
  EXPECT_EQ(numberalthandles(list), 1);
  EXPECT_EQ(getaltdata(list, 3), nilhandle);
  EXPECT_EQ(sizealt(nilhandle), 0);
  EXPECT_EQ(numberalthandles(nilhandle), 0);
  EXPECT_EQ(getaltdata(nilhandle, 1), nilhandle);
  // An entry without data does not keep the entries after it from being freed.
  alt empty{5, hfield{0}};
  PtrAndHand(&empty, list, 8);
  ASSERT_EQ(setaltdata(list, texthandle("after"), 104), noErr);
  Handle copy = list;
  ASSERT_EQ(dupealt(&copy), noErr);
  EXPECT_NE(copy, list);
  EXPECT_EQ(numberalthandles(copy), 3);
  EXPECT_NE(getaltdata(copy, 104), getaltdata(list, 104));
  EXPECT_EQ(textof(getaltdata(copy, 104)), "after");
  dumpalt(copy);
  spot s = newspot(spotgraphic, 100, 1);
  s.alt = list;
  clearalt(s);
  EXPECT_EQ(s.alt, 0u);
}

TEST_F(ObjectsTest, UserPropertiesWithoutAValueAreDropped) {
  Handle list = proplist({{"keep", "1"}, {"lost", "2"}, {"also", "3"}});
  uprop p = loadat<uprop>(deref(list) + 12);
  DisposeHandle(p.value);
  p.value = 0;
  storeat<uprop>(deref(list) + 12, p);
  ASSERT_EQ(packprop(list), noErr);
  EXPECT_EQ(loadat<u16>(deref(list) + GetHandleSize(list) - 2), 2u);
  ASSERT_EQ(unpackprop(list), noErr);
  ASSERT_EQ(GetHandleSize(list), 24);
  EXPECT_EQ(textof(loadat<uprop>(deref(list)).name), "keep");
  EXPECT_EQ(textof(loadat<uprop>(deref(list) + 12).value), "3");
  EXPECT_EQ(u32(loadat<uprop>(deref(list) + 12).key), 79u);
  Handle copy = NewHandle(0);
  ASSERT_EQ(copyprop(list, copy), noErr);
  EXPECT_EQ(sizeprop(copy), sizeprop(list));
  dumprop(copy);
  dumprop(list);
  OwnedHandle ragged(NewHandle(13));
  EXPECT_EQ(sizeprop(ragged), 0);
}

TEST_F(ObjectsTest, ScriptsOfOnlyATailAreDropped) {
  Handle list = NewHandle(0);
  spot s = newspot(spotbutton, 200, 1);
  s.script = scripthandle("");
  appendspot(list, s);
  spot t = newspot(spotbutton, 200, 2);
  t.script = scripthandle("x");
  appendspot(list, t);
  ASSERT_EQ(packspot(list), noErr);
  ASSERT_EQ(unpackspot(list), noErr);
  EXPECT_EQ(spotof(list, 0).script, 0u);
  EXPECT_EQ(GetHandleSize(spotof(list, 1).script), 25);
  dumpspot(list);
}

TEST_F(ObjectsTest, OldRectangleGraphicsGetPictureInformation) {
  Handle list = NewHandle(0);
  spot s = newspot(spotgraphic, stylerectangle, 1);
  s.data = texthandle("picture bytes");
  appendspot(list, s);
  ASSERT_EQ(packspot(list), noErr);
  ASSERT_EQ(unpackspot(list), noErr);
  spot r = spotof(list, 0);
  EXPECT_EQ(r.data, 0u);
  EXPECT_TRUE(u32(r.flags) & spotpictinfo);
  ASSERT_NE(r.alt, 0u);
  EXPECT_EQ(countalttype(r.alt, altpictinfo), 1);
  EXPECT_EQ(textof(getaltdata(r.alt, altpictdata)), "picture bytes");
  dumpspot(list);
}

TEST_F(ObjectsTest, ReadingAPictureGraphicDrawsNothingAndItsCacheEntryGoesWithIt) {
  // A picture that paints the whole of a 300 x 200 frame, kept as an old graphic's data.
  GWorldPtr gw = 0;
  Rect port{0, 0, 50, 50};
  ASSERT_EQ(NewGWorld(&gw, 32, &port, 0, 0, 0), noErr);
  SetGWorld(gw, 0);
  const Rect frame{0, 0, 200, 300};
  PicHandle pic = OpenPicture(&frame);
  PaintRect(&frame);
  ClosePicture();
  Handle list = NewHandle(0);
  spot s = newspot(spotgraphic, stylerectangle, 1);
  s.data = pic;
  appendspot(list, s);
  ASSERT_EQ(packspot(list), noErr);

  const auto drawn = drawingcount();
  ASSERT_EQ(unpackspot(list), noErr);
  EXPECT_EQ(drawingcount(), drawn) << "unpacking drew the picture";
  const spot r = spotof(list, 0);
  EXPECT_EQ(findpictbuffer(r, nullptr), -1) << "unpacking cached the picture";
  PictInfo info;
  ASSERT_TRUE(loadpictinfo(r.alt, &info));
  EXPECT_EQ(info.imagerect.right, 300);
  EXPECT_EQ(info.imagerect.bottom, 200);

  // Drawn once, it is cached; when the object goes, so does its entry.
  pictbuffer b;
  ASSERT_EQ(getcachepicture(r, &b), 1);
  EXPECT_GE(findpictbuffer(r, nullptr), 0);
  dumpspot(list);
  EXPECT_EQ(mainglobals().pictbuffers == nilhandle ? 0 : GetHandleSize(mainglobals().pictbuffers), 0);
  DisposeGWorld(gw);
}

TEST_F(ObjectsTest, CopiesAreDeepAndLeaveLiveObjectsBehind) {
  Handle card = fullcard();
  Handle objects = recordof<cardrec>(card).objects;
  Handle copy = objects;
  ASSERT_EQ(dupespot(&copy), noErr);
  ASSERT_NE(copy, objects);
  ASSERT_EQ(GetHandleSize(copy), GetHandleSize(objects));
  EXPECT_EQ(sizespot(copy, 2), sizespot(objects, 2));
  for (i32 i = 0; i < GetHandleSize(copy) / 98; ++i) {
    spot a = spotof(objects, i), b = spotof(copy, i);
    for (auto [x, y] : {std::pair<Handle, Handle>{a.name, b.name},
                        {a.data, b.data},
                        {a.script, b.script},
                        {a.alt, b.alt},
                        {a.uprops, b.uprops}})
      if (x) {
        EXPECT_NE(x, y) << "object " << i << " shares a part";
      }
  }
  EXPECT_EQ(u32(getcontrolpart(spotof(copy, 0)).control), 0u);
  EXPECT_EQ(u32(getfieldkindtail(spotof(copy, 1)).live), 0u);
  EXPECT_EQ(textof(spotof(copy, 1).contents), "contents!");

  Handle dest = NewHandle(0);
  ASSERT_EQ(clonespot(objects, 6, dest), noErr);  // the group
  ASSERT_EQ(GetHandleSize(dest), 98);
  EXPECT_NE(spotof(dest, 0).data, spotof(objects, 6).data);
  EXPECT_EQ(sizespot(dest, 2), size1spot(objects, 6) - GetHandleSize(objects) + 98);
  EXPECT_EQ(clonespot(objects, 99, dest), paramErr);
  EXPECT_EQ(size1spot(objects, -1), 0);
  dumpspot(dest);
  dumpspot(copy);

  // A copy that runs out of memory frees what it made and leaves the list alone.
  OSErr e = memFullErr;
  for (std::size_t n = 1; e != noErr && n < 300; ++n) {
    Handle h = objects;
    failallocationafter(n);
    e = dupespot(&h);
    failallocationafter(0);
    if (e != noErr) {
      EXPECT_EQ(h, objects);
    } else {
      dumpspot(h);
    }
  }
  EXPECT_EQ(e, noErr);
  EXPECT_EQ(dump(card), noErr);
}

TEST_F(ObjectsTest, SizesBySelection) {
  Handle list = NewHandle(0);
  spot a = newspot(spotgraphic, 102, 1);
  a.name = texthandle("abc");
  a.selected = 0;
  appendspot(list, a);
  spot b = newspot(spotgraphic, 102, 2);
  b.name = texthandle("de");
  b.uprops = proplist({{"k", "vv"}});
  appendspot(list, b);
  EXPECT_EQ(sizespot(list, 0), 196 + 3);
  EXPECT_EQ(sizespot(list, 1), 196 + 2 + 12 + 1 + 2);
  EXPECT_EQ(sizespot(list, 2), 196 + 3 + 2 + 15);
  EXPECT_EQ(size1spot(list, 0), 196 + 3);
  dumpspot(list);
}

TEST_F(ObjectsTest, EmbeddedObjectsPackAndCopy) {
  iota io{fourcc("iota"),
          42,
          fourcc("PICT"),
          hfield{texthandle("wrapped")},
          hfield{texthandle("name")},
          hfield{scripthandle("on mouseUp\rend mouseUp")},
          hfield{altlist({{1, texthandle("info")}})},
          hfield{proplist({{"p", "q"}})}};
  Handle h = recordhandle(io);
  Handle copy = h;
  ASSERT_EQ(dupeiota(&copy), noErr);
  ASSERT_EQ(packiota(h), noErr);
  iota packed = loadat<iota>(deref(h));
  EXPECT_EQ(u32(packed.data), 1u);
  EXPECT_EQ(u32(packed.alt), 1u);
  EXPECT_EQ(u32(packed.id), 42u);
  ASSERT_EQ(unpackiota(h), noErr);
  ASSERT_EQ(GetHandleSize(h), 32);
  iota back = loadat<iota>(deref(h));
  EXPECT_EQ(textof(back.data), "wrapped");
  EXPECT_EQ(textof(back.name), "name");
  EXPECT_EQ(textof(getaltdata(back.alt, 1)), "info");
  EXPECT_EQ(textof(loadat<uprop>(deref(back.uprops)).value), "q");
  iota c = loadat<iota>(deref(copy));
  EXPECT_NE(c.data, back.data);
  EXPECT_EQ(textof(c.script), textof(back.script));
  dumpiota(copy);
  dumpiota(h);
  OwnedHandle small(NewHandle(8));
  EXPECT_EQ(unpackiota(small), kBadRecordKind);
}

TEST_F(ObjectsTest, NewPictureInformationReplacesWhatWasThere) {
  spot s = newspot(spotgraphic, 101, 1);
  ASSERT_EQ(New_PictInfoHandle(s), 1);
  ASSERT_NE(s.alt, 0u);
  EXPECT_EQ(GetHandleSize(getaltdata(s.alt, altpictinfo)), 102);
  EXPECT_EQ(GetHandleSize(getaltdata(s.alt, altpictdata)), 0);
  ASSERT_EQ(setaltdata(s.alt, texthandle("/pictures/a.png"), altpictdata), noErr);
  ASSERT_EQ(New_PictInfoHandle(s), 1);
  EXPECT_EQ(numberalthandles(s.alt), 2);
  EXPECT_EQ(GetHandleSize(getaltdata(s.alt, altpictdata)), 0);
  failallocationafter(1);
  EXPECT_EQ(New_PictInfoHandle(s), 0);
  failallocationafter(0);
  clearalt(s);
}

}  // namespace
}  // namespace kv
