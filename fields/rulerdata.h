// The data of a field's paragraph ruler: the record each ruler control keeps (the control
// property 'ruda' of creator 'rucr' holds its handle), the tagged data interface the control's
// set-data and get-data messages reach, the options record fields are made with, the cached
// indents and tabs of the text's selection, and the ruler's units with their number texts.
#pragma once

#include "platform/controls/controls.h"
#include "platform/qd/qdtypes.h"
#include "platform/types.h"
#include "textengine/werecord.h"

namespace kv {

constexpr OSStatus errRulerDataTag = -30581;   // a tag the ruler does not keep, or no ruler data
constexpr OSStatus errRulerDataSize = -30591;  // a size other than the tag's
constexpr OSType kRulerCreator = fourcc("rucr"), kRulerDataProperty = fourcc("ruda");

// Indicator kinds (the ruler's part codes).
enum : u16 { kRulerNoIndicator = 0, kRulerHanging = 1, kRulerRight = 2, kRulerFirstLine = 3, kRulerLeft = 4 };
// Units.
enum : u16 { kRulerInches = 0, kRulerCentimetres = 1, kRulerPoints = 2, kRulerPicas = 3 };

// One ruler's record, kept in a handle while its control lives.
struct rulerdatarecord {
  WEReference we;       // 'RUwe': the text whose paragraphs the ruler shows and changes
  Fixed leftmargin;     // 'RUlm'
  u16 mintextwidth;     // 'RUmt': pixels kept between the left and right indents
  u16 units;            // 'RUrt'
  u16 trackinset;       // 'RUnt'
  u8 dragsounds;        // 'RUps'
  u8 showhelp;          // 'RUsh'
  u8 showvalues;        // 'RUsv'
  u8 snap;              // 'RUdi'
  u8 optionud;          // 'RUud'
  u8 optiondc;          // 'RUdc'
  u32 port;             // 'Port'
  GWorldPtr offscreen;  // the drawing buffer, the control's size
  Rect offbounds;
  u8 active;
  u8 oneparagraph;  // the selection lies within one paragraph
  u32 creationtick;
  OSType paratags[4];
  i32 lastdestleft;  // the text's destination left when last drawn
  u16 indrag;        // the indicator being dragged (0 none)
  Fixed dragvalue;
  Fixed leftindent, rightindent, firstindent;  // cached from the selection
  u8 tabs[164];                                // the selection's 'tabs', cached
  i16 numberfont, numbersize;                  // the style of the scale's numbers
  u8 numberface;
};

// The options record ('RUod', 24 bytes, set only): mask, text record, left margin, minimum
// text width, units, track inset, then drag sounds, show help tags, show values window, snap
// and option 'RUud'. Host byte order.
enum : u32 {
  kRulerOptionRecord = 0x1,
  kRulerOptionMinWidth = 0x2,
  kRulerOptionLeftMargin = 0x4,
  kRulerOptionDragSounds = 0x8,
  kRulerOptionShowHelp = 0x10,
  kRulerOptionShowValues = 0x20,
  kRulerOptionUnits = 0x40,
  kRulerOptionSnap = 0x80,
  kRulerOptionUd = 0x100,
  kRulerOptionTrackInset = 0x200,
};
struct rulerdataoptions {
  u32 mask;
  WEReference we;
  Fixed leftmargin;
  u16 mintextwidth, units, trackinset;
  u8 dragsounds, showhelp, showvalues, snap, optionud;
};

// The ruler data handle of a control (none without one) and its record copied out and back.
Handle GetRulerDataRec(ControlRef control);
bool readrulerdata(ControlRef control, rulerdatarecord* out);
void writerulerdata(ControlRef control, const rulerdatarecord& rd);

// The data interface: 0, errRulerDataTag or errRulerDataSize. Get copies at most *size bytes
// (data may be null) and puts the field's size in *size.
OSStatus GetRulerData(OSType tag, void* data, i32* size, ControlRef control);
OSStatus SetRulerData(OSType tag, const void* data, i32 size, ControlRef control);
// Applies an options record: 0, the error of reading the 'tabs' attribute, or -1 without data.
OSStatus SetRulerOptions(ControlRef control, const rulerdataoptions& options);

// Refresh the cached indents ('lein', 'riin', 'fidt') and tabs from the text's selection: 1
// when they (or, for tabs, the one-paragraph state) changed. A failed read counts as 0.
i16 UpdateRulerIndents(rulerdatarecord* rd);
i16 UpdateRulerTabs(rulerdatarecord* rd);
// The indent an indicator stands for, read from the selection: 1 and 4 'lein', 2 'riin', 3
// 'fidt'; 0 when it cannot be read.
Fixed GetRulerIndent(u16 indicator, const rulerdatarecord& rd);

// The units: pixels per unit, the snap step and the value texts. A value in Fixed pixels reads
// in the ruler's units with the decimal separator of the international settings ("2.000 in",
// "5.143 cm", "144 pt", "12.00 pi"); the reverse reads a typed value in the units (the forms of
// string list 201) into Fixed pixels, paramErr for a text that is no such value.
i32 rulerpixelsperunit(u16 units);
i32 rulersnapstep(u16 units);
OSStatus GetPascalStringFromFixedValue(Fixed value, const rulerdatarecord& rd, Str255 text);
OSStatus GetFixedValueFromPascalString(Fixed* value, const rulerdatarecord& rd, ConstStringPtr text);

}  // namespace kv
