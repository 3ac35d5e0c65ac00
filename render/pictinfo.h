// The picture information record (`PictInfo`, 102 bytes): alternate data of kind 1 of a picture
// graphic, beside the picture itself (kind 2), its image-filter list (kind 3) and the matrix of
// its last distorted drawing (kind 4). In memory it is in host order; the store swaps it with
// every other stored record. The two floating-point fields are kept as their u32 bits.
#pragma once

#include "platform/memory/stored.h"
#include "store/records.h"

namespace kv {

#define KV_PICTINFO_FIELDS(F)   \
  F(u32, storagemode, 0)        \
  F(Rect, imagerect, 4)         \
  F(Rect, sourcerect, 12)       \
  F(Rect, destrect, 20)         \
  F(u32, flags, 28)             \
  F(u32, changemask, 32)        \
  F(u32, aspect, 36)            \
  F(i16, rotation, 40)          \
  F(RGBColor, opcolor, 42)      \
  F(u32, zoom, 48)              \
  F(u16, clickthroughlevel, 52) \
  F(u32, magnification, 54)     \
  F(u16, reserved58, 58)        \
  F(Point, offset, 60)          \
  F(u16x3, reserved64, 64)      \
  F(Rect, layoutrect, 70)       \
  F(Rect, requestedsource, 78)  \
  F(Pointx4, quad, 86)
KV_STORED_RECORD(PictInfo, 102, KV_PICTINFO_FIELDS)

// Storage modes and flags.
enum : u32 {
  pictembedded = 0,   // kind 2 holds the picture
  pictlinked = 1,     // kind 2 holds the text of a file path
  pictopcolor = 0x2,  // the operation colour is in force
  pictzoomed = 0x4,   // the zoom differs from 1.0
  pictmagnify = 0x8,  // magnification is on
  pictoffset = 0x10,  // an offset was set
  pictclickthrough = 0x4000,
  pictdontcache = 0x10000,
  pictlayouttracking = 0x20000,
  pictpanning = 0x40000,
};

// The bits of a change request's mask: each names one setting to copy from the request.
enum : u32 {
  maskaspectreset = 0x1,
  maskopcolor = 0x2,
  maskmagnify = 0x8,
  masksourcerect = 0x40,
  maskaspect = 0x200,
  maskrotation = 0x800,
  maskquad = 0x1000,
  maskclickthrough = 0x2000,
  maskclickthroughlevel = 0x8000,
  maskdontcache = 0x10000,
};

// Aspect modes.
enum : u32 { aspectclip = 0, aspectfit = 1, aspectfill = 2, aspectreset = 3, aspectcenter = 4 };

// Fills a record with the settings of a new picture: embedded, empty rectangles, layout
// tracking, fill aspect, white operation colour, zoom and magnification 1.0, no quad.
void newpictinfo(PictInfo& p);
// Fills a record with the settings of an object without one: empty rectangles, no flags, no
// rotation, white operation colour, zoom and magnification 1.0, no quad. The storage mode, the
// aspect mode and the layout and requested source rectangles are left as they were.
void SetPictInfo_NotValid(PictInfo& p);

// The record of an alternate-data list into *p: true when there is one; otherwise *p holds the
// not-valid settings with storage mode 0 and fill aspect.
bool loadpictinfo(Handle alt, PictInfo* p);
// Writes the record back when the list has one (nothing otherwise).
void storepictinfo(Handle alt, const PictInfo& p);

// Gives a picture object a fresh record: makes its alternate-data list when it has none and
// stores a new record as kind 1 and an empty handle as kind 2, replacing what was there.
// Answers 1, or 0 when memory runs out (no record is stored then).
i16 New_PictInfoHandle(spot& s);
// Removes the picture information and its companions (kinds 1-4); an emptied list goes.
void DeletePictInfo(spot& s);

// Attaches picture data (or, with `embedded` 0, the text of a file path) to an object whose
// record exists: the data becomes kind 2 and the storage mode follows; then the picture is
// measured through the picture cache: the image and source rectangles become its frame, an
// unlocked object takes the picture's size at its top-left, and the destination follows the
// aspect. A picture that cannot be had takes the picture information away (noErr still).
OSErr SetPictInfoHandle(spot& s, Handle data, i16 embedded);

// Applies a change request (its mask says which settings) to the object's record: 1 when the
// mask held a setting applied here, 0 otherwise (also without alternate data, or when only the
// aspect reset bit is set).
i16 SetAltToPicInfo(spot& s, const PictInfo& request);
// The rectangle the picture is drawn in, by the aspect mode, for the object's rectangle (an
// image well's inset by 4); the record's destination is first reset to the image's size at the
// object's top-left. An empty object or source rectangle gives the object's rectangle.
Rect calcdestrect(spot& s);
// The aspect layout of a source rectangle into an object's rectangle r.
Rect aspectlayout(u32 aspect, const Rect& source, const Rect& r);

// Appends the text form of one picture setting (by its property token), or of all of them
// for `pictureInfo`, to a text handle: 0 or a memory error.
OSErr GetPictureInfo(const spot& s, Handle text, u16 token);

// The picture's data (kind 2 while the storage mode is embedded) and its linked file path
// (kind 2 while the mode is linked), from an object's alternate-data list; none otherwise.
Handle GetPictDataHandle(Handle alt);
Handle GetPictPathHandle(Handle alt);

// Field accessors over an alternate-data list. Reads of a list without a record give the
// not-valid settings; writes to it do nothing.
u32 getStorageMode(Handle alt);
void SetStorageMode(Handle alt, u32 mode);
Rect GetImageRect(Handle alt);
Rect GetSourceRect(Handle alt);
// The source setters store only a rectangle that lies wholly inside the image rectangle.
void SetSourceRect(Handle alt, i16 left, i16 top, i16 right, i16 bottom);
void SetSource1Rect(Handle alt, const Rect& r);
Rect GetDestRect(Handle alt);
void SetDestRect(Handle alt, i16 left, i16 top, i16 right, i16 bottom);
void SetDest1Rect(Handle alt, const Rect& r);
// Destination := the image rectangle's size at the object's top-left.
void ResetDestRect(const spot& s);
u32 GetAspectMode(Handle alt);
void SetAspectMode(Handle alt, u32 mode);
void GetOpColor(Handle alt, RGBColor* c);
void SetOpColor(Handle alt, const RGBColor& c);
bool GetClickThrough(Handle alt);
void SetClickThrough(Handle alt, bool on);
u16 GetClickThroughThreshold(Handle alt);
void SetClickThroughThreshold(Handle alt, i32 level);
bool GetDontCacheMode(Handle alt);
// Drops the object's cached picture first.
void SetDontCacheMode(const spot& s, bool on);
float GetMag(Handle alt);
void SetMag(Handle alt, float m);
float GetZoom(Handle alt);
void SetZoom(Handle alt, float z);
Point GetOffset(Handle alt);
void SetOffset(Handle alt, i16 h, i16 v);
void GetQuad(Handle alt, Point quad[4]);
bool EmptyQuad(const Point quad[4]);
void SetPath();

}  // namespace kv
