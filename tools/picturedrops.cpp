// Pictures made for drags and received from drops: a button's icon as a picture, and dropped
// pictures and image files becoming picture graphics or pictures in fields.
#include "tools/picturedrops.h"

#include <algorithm>
#include <string>

#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "engine/scripterror.h"
#include "fields/fieldscroll.h"
#include "fields/imageimport.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/importers.h"
#include "platform/windows/windows.h"
#include "properties/picturedata.h"
#include "render/carddrawing.h"
#include "shell/fieldputting.h"
#include "shell/scriptdialogparse.h"
#include "shell/platformutil.h"
#include "store/objects.h"
#include "system/sysinfo.h"
#include "commands/objectids.h"
#include "textengine/werecord.h"
#include "tools/dragreceive.h"
#include "tools/dragstate.h"
#include "tools/dragtrack.h"
#include "tools/objectclipboard.h"
#include "tools/toolmessages.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "render/buttonicons.h"
#include "render/spotstyles.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"

namespace kv {

namespace {
constexpr Rect kIconFrame{0, 0, 32, 32};
i16 transformfor(const spot& button) { return (button.flags & spotdisabled) ? kTransformDisabled : kTransformNone; }
}  // namespace

PicHandle GetPictFromCicn(const spot& button, CIconHandle icon) {
  if (icon == nilhandle) return nilhandle;
  GWorldPtr world = nilid;
  const i16 depth = 32;
  if (NewGWorld(&world, depth, &kIconFrame, 0, 0, 0) != noErr) {
    DisposeCIcon(icon);
    return nilhandle;
  }
  PicHandle pic = nilhandle;
  {
    SavePort keep;
    SetGWorld(world, 0);
    EraseRect(&kIconFrame);
    PlotCIconHandle(&kIconFrame, 0, transformfor(button), icon);
    pic = OpenPicture(&kIconFrame);
    const BitMap* bits = GetPortBitMapForCopyBits(world);
    CopyBits(bits, bits, &kIconFrame, &kIconFrame, srcCopy, nilid);
    ClosePicture();
  }
  DisposeGWorld(world);
  DisposeCIcon(icon);
  return pic;
}

PicHandle GetPictFromICON(const spot& button) {
  if (!mainglobals().memplentiful && nomemory(1024)) return nilhandle;
  const u32 id = loadat<buttontail>(button.tail.b).icon;
  Handle icon = NewHandle(i32(kIconBytes));
  if (icon == nilhandle) return nilhandle;
  if (!geticon(id, static_cast<u8*>(deref(icon)))) {
    DisposeHandle(icon);
    return nilhandle;
  }
  // Recorded in a world of its own, so that no window is drawn into.
  GWorldPtr world = nilid;
  PicHandle pic = nilhandle;
  if (NewGWorld(&world, 1, &kIconFrame, 0, 0, 0) == noErr) {
    SavePort keep;
    SetGWorld(world, 0);
    pic = OpenPicture(&kIconFrame);
    EraseRect(&kIconFrame);
    PlotIcon(&kIconFrame, icon);
    ClosePicture();
  }
  if (world != nilid) DisposeGWorld(world);
  DisposeHandle(icon);
  return pic;
}

// --- Picture drops ----------------------------------------------------------------------------

namespace {

constexpr OSType kPICT = fourcc("PICT");
constexpr i32 kPictHeader = 512, kPictSlack = 40000 - kPictHeader;
constexpr u32 kAutoDimBit = 1u << 27;
constexpr i16 kNoMemoryDialog = 194, kCannotOpenDialog = 195, kHeaderOnlyDialog = 190, kCannotImportDialog = 226;

// The bytes a picture's pixels take: width x height x depth / 8; whether the memory guard
// grants them.
bool picturememory(i32 width, i32 height, i32 depth) {
  if (mainglobals().memplentiful) return true;
  return !nomemory(Size(i64(width) * height * depth / 8));
}
bool picturememory(PicHandle pic) {
  Rect frame{0, 0, 0, 0};
  QDGetPictureBounds(pic, &frame);
  const i16 depth = picturedepth(pic);
  return picturememory(frame.right - frame.left, frame.bottom - frame.top, depth > 0 ? depth : 1);
}

bool emptypicture(PicHandle pic) {
  Rect frame{0, 0, 0, 0};
  QDGetPictureBounds(pic, &frame);
  return frame.right <= frame.left || frame.bottom <= frame.top;
}

// Checks a picture that was read: its information readable and memory for its pixels, else
// dialog 194 and the picture freed.
bool checkedpicture(PicHandle* pic) {
  if (picturevalid(*pic) && picturememory(*pic)) return true;
  KillPicture(*pic);
  *pic = nilhandle;
  showerrordialog(kNoMemoryDialog);
  return false;
}

bool failwith(i16 dialog) {
  showerrordialog(dialog);
  return false;
}

// Source 1: the item's 'PICT' data.
bool pictfromflavor(DragRef drag, DragItemRef item, PicHandle* out) {
  *out = nilhandle;
  i32 size = 0;
  if (GetFlavorDataSize(drag, item, kPICT, &size) != noErr || size <= 0) return false;
  if (!mainglobals().memplentiful && nomemory(size)) return failwith(kNoMemoryDialog);
  Handle h = NewHandle(size);
  if (h == nilhandle) return failwith(kNoMemoryDialog);
  if (GetFlavorData(drag, item, kPICT, deref(h), &size, 0) != noErr) {
    DisposeHandle(h);
    return false;
  }
  *out = h;
  return checkedpicture(out);
}

// Source 2: a picture file, its picture after a 512-byte header.
bool pictfromfile(const std::string& path, PicHandle* out) {
  *out = nilhandle;
  Str255 name{};
  FileRef ref = 0;
  if (!macromanpath(path, name) || HOpen(0, 0, name, fsRdPerm, &ref) != noErr) return failwith(kCannotOpenDialog);
  i64 length = 0;
  const OSErr err = GetEOF(ref, &length);
  FSClose(ref);
  if (err != noErr) return failwith(kCannotOpenDialog);
  if (length <= kPictHeader) return failwith(kHeaderOnlyDialog);
  if (length > 0x7FFFFFFF - kPictSlack || (!mainglobals().memplentiful && nomemory(Size(length) + kPictSlack)))
    return failwith(kNoMemoryDialog);
  Handle h = nilhandle;
  const OSErr read = readwholefile(path, kPictHeader, 0, &h);
  if (read == -108) return failwith(kNoMemoryDialog);
  if (read != noErr) return failwith(kCannotOpenDialog);
  *out = h;
  return checkedpicture(out);
}

// Source 3, drawn: the importer draws the image into a world of its size, which becomes the
// picture at the image's resolution. Every failure is dialog 226.
bool drawnimage(ComponentInstance importer, PicHandle* out) {
  *out = nilhandle;
  ImageDescription desc{};
  GWorldPtr world = nilid;
  bool ok = GraphicsImportGetImageDescription(importer, &desc) == noErr &&
            picturememory(desc.width, desc.height, desc.depth) && NewImageGWorld(&world, &desc, 0) == noErr &&
            GraphicsImportSetGWorld(importer, world, nilhandle) == noErr &&
            picturememory(desc.width, desc.height, desc.depth) && GraphicsImportDraw(importer) == noErr &&
            gworldtopict(world, out, desc.hRes, desc.vRes) == 0 && *out != nilhandle;
  if (world != nilid) DisposeGWorld(world);
  CloseComponent(importer);
  if (ok && (emptypicture(*out) || !picturevalid(*out))) ok = false;
  if (!ok) {
    if (*out != nilhandle) KillPicture(*out);
    *out = nilhandle;
    return failwith(kCannotImportDialog);
  }
  return true;
}

// Source 3, asked of the importer as a picture (field drops).
bool importedimage(ComponentInstance importer, PicHandle* out) {
  *out = nilhandle;
  Boolean valid = 0;
  const bool ok = GraphicsImportValidate(importer, &valid) == noErr && valid &&
                  GraphicsImportGetAsPicture(importer, out) == noErr && *out != nilhandle;
  CloseComponent(importer);
  if (!ok || emptypicture(*out)) {
    if (*out != nilhandle) KillPicture(*out);
    *out = nilhandle;
    return failwith(kCannotImportDialog);
  }
  return checkedpicture(out);
}

// The importer for a file, when the importers are there and one reads it.
bool importerfor(const std::string& path, ComponentInstance* importer) {
  Str255 name{};
  if (quicktimeversion() < kFirstImporterVersion || !macromanpath(path, name)) return false;
  return GetGraphicsImporterForFile(0, 0, name, importer) == noErr;
}

// The picture of a drag item by its source: 'PICT' data, a picture file, or another image
// file drawn by its importer. False, with its dialog shown, when none is read.
enum class Source { none, data, pictfile, imagefile };
bool readpicture(DragRef drag, DragItemRef item, PicHandle* out, Source* source) {
  *out = nilhandle;
  *source = Source::none;
  FlavorFlags flags = 0;
  if (GetFlavorFlags(drag, item, kPICT, &flags) == noErr) {
    *source = Source::data;
    return pictfromflavor(drag, item, out);
  }
  DraggedFile file;
  if (!draggedfile(drag, item, &file)) return false;
  if (file.type == kPICT) {
    *source = Source::pictfile;
    return pictfromfile(file.path, out);
  }
  ComponentInstance importer = nilid;
  if (!importerfor(file.path, &importer)) return false;
  *source = Source::imagefile;
  return drawnimage(importer, out);
}

objread objectref(const desk& d, Handle list, i16 index) {
  objread obj{};
  obj.kind = objpart;
  obj.d = d;
  obj.objects = list;
  obj.objindex = index;
  obj.ownerrecid = list == d.backspots ? d.backrecid : d.cardrecid;
  return obj;
}

// Inserts a dropped picture into a field at the drag's insertion offset (the embedding steps
// shared by the three sources): true when taken. The picture is the routine's.
bool embedpicture(WindowRef window, DragRef drag, PicHandle pic, Source source, bool inopen, Handle list, i16 index) {
  MainGlobals& g = mainglobals();
  const WindowRef front = FrontWindow();
  DragToolState& s = dragtoolstate();
  bool inserted = false, taken = false;
  DragAttributes attributes = 0;
  u16 down = 0, up = 0;
  GetDragAttributes(drag, &attributes);
  GetDragModifiers(drag, nullptr, &down, &up);
  bool move = false;
  const spot target = spotat(list, index);
  const RegistryId openbefore = g.openfieldrec;
  if (source == Source::data && (attributes & kDragInsideSenderWindow) && inopen && !s.gDragIsSpot) {
    i32 a = 0, b = 0;
    WEGetSelection(&a, &b, g.openfieldrec);
    if (a != b && s.gInsertPosition >= a && s.gInsertPosition <= b) {
      KillPicture(pic);
      return false;  // onto its own selection
    }
    move = !((down | up) & optionKey);
  }
  const Verdict verdict = senddrop(window, list, index, s.gInsertPosition);
  if (verdict == Verdict::refused) {
    invalobject(window, list, index);
    invalobject(window, g.openfieldspots, g.openfield);
    removecaret(window, list, index);
    KillPicture(pic);
    return false;
  }
  const bool gone = !stillthere(window, list, index, target.id);
  if (gone || (inopen && g.openfieldrec != openbefore)) {
    // The handler changed what the drop was aimed at: taken, nothing inserted.
    if (!gone) invalobject(window, list, index);
    invalobject(window, g.openfieldspots, g.openfield);
    KillPicture(pic);
    return true;
  }
  removecaret(window, list, index);
  if (verdict == Verdict::taken) {
    invalobject(window, list, index);
    invalobject(window, g.openfieldspots, g.openfield);
    KillPicture(pic);
    return true;
  }
  if (attributes & kDragHasLeftSenderWindow) myHideDragHilite(drag);
  if ((attributes & kDragInsideSenderWindow) && FrontWindow() != window) InvalWindowRect(window, &target.rect);
  if (move) weAdjustInsertPtForMove(&s.gInsertPosition);
  if (!inopen) {
    putdownfield();
    if (stillthere(window, list, index, target.id)) putupfield(window, list, index);
    if (g.openfieldrec != nilid && g.openfieldspots == list && g.openfield == index) {
      g.fieldchanged = 1;
      SetWERecDirtyFlag(g.openfieldrec, true);
      invalobject(window, list, index);
    }
  }
  const RegistryId we = g.openfieldrec;
  if (we != nilid && g.openfieldspots == list && g.openfield == index) {
    const i32 at = std::min(std::max(s.gInsertPosition, i32(0)), WEGetTextLength(we));
    WESetSelection(at, at, we);
    g.pastespots = list;
    g.pasteindex = index;
    g.pastewindow = window;
    inserted = taken = WEInsertObject(kPICT, pic, Point{0, 0}, we) == noErr;
    g.pastespots = nilhandle;
    g.pasteindex = -1;
    g.pastewindow = nilid;
    g.fieldchanged = 1;
    SetWERecDirtyFlag(we, true);
    NormalizeColorAndPen();
    if (window != front && GetWindowKind(window) != 115) {
      WEFeatureFlag(weFOutlineHilite, 1, we);
      WEDeactivate(we);
    }
    // The text is laid out again; its destination keeps its place, so the scroll stays.
    WECalText(we);
    updatewescrollbar(list, index, nullptr, nullptr, nullptr, we);
    WEUpdate(nilid, we);
  }
  if (!inserted) KillPicture(pic);
  return taken;
}

}  // namespace

Rect picturegraphicrect(PicHandle pic, Point centre) {
  const MainGlobals& g = mainglobals();
  Rect frame{0, 0, 0, 0};
  QDGetPictureBounds(pic, &frame);
  const i16 w = i16(frame.right - frame.left), h = i16(frame.bottom - frame.top);
  Rect r{0, 0, h, w};
  InsetRect(&r, i16(-g.penWidth), i16(-g.penHeight));
  OffsetRect(&r, i16(centre.h - w / 2), i16(centre.v - h / 2));
  return r;
}

bool appendpicturegraphic(const desk& d, const Rect& r, PicHandle pic, i16* index) {
  Handle list = d.backlayer ? d.backspots : d.cardspots;
  spot s{};
  defaultspot(s);
  s.style = 100;
  s.kind = 0;
  s.id = uniqueid(list, 0);
  s.flags |= kAutoDimBit;
  s.rect = r;
  if (PtrAndHand(&s, list, Size(sizeof s)) != noErr) {
    KillPicture(pic);
    return false;
  }
  *index = i16(spotcount(list) - 1);
  marklayerchanged(list);
  objread obj = objectref(d, list, *index);
  if (lowsetpicturedata(obj, pic, 1) != 0) {
    // The object goes again with whatever it was given.
    Handle one = NewHandle(0);
    const spot made = spotat(list, *index);
    qdelete(list, *index, i32(sizeof(spot)));
    if (one != nilhandle && PtrAndHand(&made, one, Size(sizeof made)) == noErr) dumpspot(one);
    if (one != nilhandle) DisposeHandle(one);
    return false;
  }
  invalspot(list, *index);
  return true;
}

i16 newPictureGraphic(desk d, i16 item, Point drop, PicHandle pic) {
  const i16 cascade = i16((item - 1) * 10);
  const Rect r = picturegraphicrect(pic, Point{i16(drop.v + cascade), i16(drop.h + cascade)});
  i16 index = -1;
  if (!appendpicturegraphic(d, r, pic, &index)) {
    showerrordialog(kNoMemoryDialog);
    return dragNotAcceptedErr;
  }
  return spotsend(sendnormal, d.backlayer ? d.backspots : d.cardspots, index, "newGraphic", d.window);
}

bool EmbeddedPictureFromDraggedRawPict(DragRef drag, DragItemRef item, Handle list, i16 index, bool inopen, bool,
                                       WindowRef window) {
  PicHandle pic = nilhandle;
  if (!pictfromflavor(drag, item, &pic)) return false;
  return embedpicture(window, drag, pic, Source::data, inopen, list, index);
}

bool EmbeddedPictureFromDraggedPictFile(DragRef drag, DragItemRef, Handle list, i16 index, bool inopen, bool,
                                        WindowRef window, const DraggedFile& file) {
  PicHandle pic = nilhandle;
  if (!pictfromfile(file.path, &pic)) return false;
  return embedpicture(window, drag, pic, Source::pictfile, inopen, list, index);
}

bool EmbeddedPictureFromDraggedImageFile(DragRef drag, DragItemRef, Handle list, i16 index, bool inopen, bool,
                                         WindowRef window, ComponentInstance importer) {
  PicHandle pic = nilhandle;
  if (!importedimage(importer, &pic)) return false;
  return embedpicture(window, drag, pic, Source::imagefile, inopen, list, index);
}

bool ReceivePictDropInPointerWd(i16 item, DragRef drag, DragItemRef ref, Point drop) {
  PicHandle pic = nilhandle;
  Source source = Source::none;
  if (!readpicture(drag, ref, &pic, &source)) return false;
  return newPictureGraphic(dragtoolstate().gTargetDesk, item, drop, pic) == 0;
}

bool ReceivePictDropInBrowseWd(WindowRef window, DragRef drag) {
  DragToolState& s = dragtoolstate();
  u16 count = 0;
  CountDragItems(drag, &count);
  DragItemRef item = 0;
  if (count != 1 || GetDragItemReferenceNumber(drag, 1, &item) != noErr) return false;
  Point global{0, 0};
  GetDragMouse(drag, &global, nullptr);
  SetPortWindowPort(window);
  bool taken = false;
  Handle list = nilhandle;
  i16 index = -1;
  RegistryId rec = nilid;
  if (DragIsInPictureDataContainer(global, &list, &index)) {
    PicHandle pic = nilhandle;
    Source source = Source::none;
    const u32 id = spotat(list, index).id;
    if (readpicture(drag, item, &pic, &source)) {
      const Verdict verdict = senddrop(window, list, index, -1);
      if (verdict == Verdict::run && stillthere(window, list, index, id)) {
        objread obj = objectref(s.gTargetDesk, list, index);
        const i16 err = lowsetpicturedata(obj, pic, 1);  // the picture is the object's now
        taken = err == 0;
        if (source != Source::data && err != 0) doerror(err);
        if (taken && source == Source::imagefile) invalspot(list, index);
      } else {
        KillPicture(pic);
        taken = verdict != Verdict::refused;
      }
    }
  } else {
    const bool inopen = DragIsInOpenField(global, &rec, &list, &index);
    const bool inother = !inopen && DragIsInOtherField(global, &rec, &list, &index);
    if ((inopen || inother) && s.gCanAcceptItems && (!inopen || s.gInsertPosition >= 0)) {
      const spot field = spotat(list, index);
      if (usesenginetwo(&field)) {
        SetPortWindowPort(window);
        NormalizeColorAndPen();
        FlavorFlags flags = 0;
        DraggedFile file;
        ComponentInstance importer = nilid;
        if (GetFlavorFlags(drag, item, kPICT, &flags) == noErr)
          taken = EmbeddedPictureFromDraggedRawPict(drag, item, list, index, inopen, inother, window);
        else if (draggedfile(drag, item, &file) && file.type == kPICT)
          taken = EmbeddedPictureFromDraggedPictFile(drag, item, list, index, inopen, inother, window, file);
        else if (draggedfile(drag, item, &file) && importerfor(file.path, &importer))
          taken = EmbeddedPictureFromDraggedImageFile(drag, item, list, index, inopen, inother, window, importer);
      }
    }
  }
  if (IsValidWindowPtr(window)) {
    SetPortWindowPort(window);
    myHideDragHilite(drag);
  }
  return taken;
}

void NormalizeColorAndPen() {
  const RGBColor black{0, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
  RGBForeColor(&black);
  RGBBackColor(&white);
  PenNormal();
  BackPat(&qdwhite);
  PenPat(&qdblack);
  TextMode(srcOr);
}

}  // namespace kv
