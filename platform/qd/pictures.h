// Pictures: recorded drawing, kept as picture data (the extended version-2 opcode format,
// big-endian) in a memory handle, and played back through the current port's bottleneck
// table.
#pragma once

#include "platform/qd/qdtypes.h"

namespace kv {

struct OpenCPicParams {
  Rect srcRect;
  i32 hRes;  // 16.16 fixed
  i32 vRes;
  i16 version;  // -2
  i16 reserved1;
  i32 reserved2;
};

// Starts recording the current port's drawing into a new picture with the given frame; the
// pen is hidden meanwhile. 0 when no picture can be made or one is being recorded already.
PicHandle OpenPicture(const Rect* picFrame);
PicHandle OpenCPicture(const OpenCPicParams* params);
// Ends the recording and shows the pen again. A recording that ran out of memory leaves an
// empty picture (size 0).
void ClosePicture();
// Whether a picture is being recorded from the port's drawing.
bool portrecordingpicture(CGrafPtr port);
void KillPicture(PicHandle pic);
// Plays the picture into the current port, mapping its frame onto dstRect. Damaged data
// stops the playback at the damage.
void DrawPicture(PicHandle pic, const Rect* dstRect);
// Plays the picture as DrawPicture does, with its shapes and lines drawn anti-aliased by cairo
// in solid colours (bit maps, text, regions, inverting and patterned drawing as DrawPicture
// draws them, through the port's own procedures), into a 32-bit world over the port's pixels
// that is copied back through the port's clip. noErr, or the error of making that world (then
// nothing is drawn). A port that records a picture, collects a region or polygon, or hides its
// pen is played by DrawPicture.
OSErr DrawPictureAntialiased(PicHandle pic, const Rect* dstRect);
// Records a comment (no drawing) through the comment procedure.
void PicComment(i16 kind, i16 dataSize, Handle dataHandle);
// The picture's frame (zeroes for damaged data).
Rect* QDGetPictureBounds(PicHandle pic, Rect* frame);
// Puts the frame's corners in order (top above bottom, left before right), as pictures from
// outside may have them swapped; nothing for data too short to hold a frame.
void orderpictureframe(PicHandle pic);
// Whether the data parses as a picture to its end opcode.
bool picturevalid(PicHandle pic);
// The deepest pixel size of the picture's bit-map opcodes (1 for bit maps), read up to any
// damage; 0 when it has none.
i16 picturedepth(PicHandle pic);
// The picture's resolution from its header (72 dpi when it has none).
void picturesresolution(PicHandle pic, i32* hRes, i32* vRes);

}  // namespace kv
