// Text in ports: drawing and measuring Mac Roman text in the port's font, size, face and
// text mode, through the font layer (platform/fonts).
//
// Text is drawn at the pen, on the baseline, and moves the pen by its width. In the Boolean
// transfer modes glyphs are 1-bit; in the other modes their coverage blends into the
// destination. The underline face is drawn here, one pixel below the baseline; the shapes
// of the other faces come from the font layer. Text in a font of an enabled right-to-left
// script is shown in the bidirectional order of a right-to-left run, Arabic in its joined
// forms; measuring (widths, PixelToChar, CharToPixel) counts the bytes from the run's start
// in any script.
#pragma once

#include "platform/qd/qdtypes.h"

namespace kv {

void DrawText(const void* text, i16 firstByte, i16 byteCount);
void DrawString(ConstStringPtr s);
void DrawChar(u8 ch);

i16 TextWidth(const void* text, i16 firstByte, i16 byteCount);
i16 StringWidth(ConstStringPtr s);
i16 CharWidth(u8 ch);
void GetFontInfo(FontInfo* info);
// The metrics of a font, size and face without a port (size 0 means 12). Always 0.
OSStatus FetchFontInfo(i16 font, i16 size, i16 face, FontInfo* info);

// Justified text and measuring within a line (single-byte Roman text). slop is 16.16 fixed
// extra width spread over the spaces; numer and denom are ignored (1:1).
void DrawJustified(const void* text, i32 length, i32 slop, i16 direction, Point numer, Point denom);
// The byte offset nearest a pixel width into the text; *widthRemaining (16.16) gets what is
// left of the width (-1.0 when the width runs out inside the text) and *leadingEdge whether the
// hit lies on the leading half of the byte.
i16 PixelToChar(const void* text, i32 length, i32 slop, i32 pixelWidth, bool* leadingEdge, i32* widthRemaining,
                i16 direction, Point numer, Point denom);
// The pixel position of a byte offset.
i16 CharToPixel(const void* text, i32 length, i32 slop, i32 offset, i16 direction, Point numer, Point denom);
// The share of a line's slop this text takes (16.16 fixed): its count of spaces.
i32 PortionLine(const void* text, i32 length, i16 styleRunPosition, Point numer, Point denom);
// The length of the text without its trailing spaces.
i32 VisibleLength(const void* text, i32 length);

// Answers of StyledLineBreak.
enum : i16 { smBreakWord = 0, smBreakChar = 1, smBreakOverflow = 2 };
// Breaks a line of text in the port's font: text points at the line's start (length bytes);
// the run [start, end) is measured against *width (16.16, reduced by what fits). A return in
// the run ends the line after it. When the run fits: *offset = its end (after the return), and
// smBreakOverflow, or smBreakWord at a return. Otherwise the line breaks after the last blank
// (a byte up to 32) before the character where the width ran out, blanks staying on the line
// they end (smBreakWord), else at that character (smBreakChar). While the Japanese script is
// enabled a break never falls inside a two-byte character.
i16 StyledLineBreak(const void* text, i32 length, i32 start, i32 end, i32 flags, i32* width, i32* offset);

}  // namespace kv
