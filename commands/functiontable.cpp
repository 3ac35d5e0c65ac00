// The function dispatcher: the table from a function's token to its routine, with the plug-in
// refusals.
//
// Rows whose routine is not written yet point at `funnotbuilt`; the comment of such a row names
// the routine that belongs there (one routine serves every row of its family). Writing that
// routine and putting it into its rows is all a new function needs.
#include <array>

#include "commands/dispatch.h"
#include "commands/functions.h"
#include "commands/objectfunctions.h"
#include "commands/systemqueries.h"
#include "engine/chunks.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/scripterror.h"
#include "media/movies.h"
#include "properties/proplisting.h"
#include "core/mainglobals.h"
#include "shell/resourcedialogs.h"
#include "system/osascripts.h"

namespace kv {

namespace {

enum : u16 {
  tokControlKey = 2029,
  tokCarbonVersion = 4059,
  tokNumberWord = 4184,
  tokScriptWord = 4233,
  tokShort = 9001,
  tokAbbreviated = 9003,
  tokThe = 10020,
};

constexpr i16 statuspluginfunction = 176;

// `funoffs` takes the evaluator's second variable list, which the dispatcher does not have.
i16 offsetfunctions(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  i32 i = at;
  if (tokenat(atoms, i) == tokThe) ++i;
  i32 used = 0;
  i16 st = funoffs(path, text, atoms, i, variables, nilhandle, &used, value);
  if (st == 0) *count = i - at + used;
  return st;
}

struct funrow {
  u16 token;
  funproc routine;
  u8 pluginrefused;
};

// Every function word, by token; tokens not listed (3029-3031, and the words instrument,
// scaleQuad, xfcn and xrtn among them) go to neverfunproc.
constexpr funrow funrows[] = {
    {3001, funmath, 0},           // abs
    {3002, fundual, 0},           // annuity
    {3003, funzero, 0},           // application
    {3004, funzero, 0},           // applications
    {3005, funzero, 0},           // applPath, applicationPath
    {3006, funmath, 0},           // atan
    {3007, funzero, 0},           // audioDriverVers
    {3008, funzero, 0},           // audioPlayMode
    {3009, funzero, 0},           // audioStatus
    {3010, funzero, 0},           // audioTrackCount
    {3011, funsing, 0},           // audioTrackInfo
    {3012, funlist, 0},           // average, avg
    {3013, funzero, 0},           // backList
    {3014, funzero, 0},           // backScripts
    {3015, funzero, 0},           // canUndo
    {3016, funzero, 0},           // canRedo
    {3017, funsing, 0},           // charToNum
    {3018, funzero, 0},           // clickChunk
    {3019, funzero, 0},           // clickH
    {3020, funzero, 0},           // clickLine
    {3021, funzero, 0},           // clickLoc
    {3022, funzero, 0},           // clickText
    {3023, funzero, 0},           // clickV
    {3024, funzero, 0},           // clipBoard: clipname
    {3025, funzero, 0},           // cmdKey, commandKey
    {3026, funcommon, 0},         // commonProps, commonProperties
    {3027, fundual, 0},           // compound
    {3028, funmath, 0},           // cos
    {3032, funcurr, 1},           // currentMenu
    {3033, funcurr, 1},           // currentWindow
    {3034, fundate, 0},           // date
    {3035, funzero, 0},           // dblClickTime, doubleClickTime
    {3036, funsing, 0},           // decode
    {3037, fundescribe, 0},       // describe
    {3038, fundialog, 1},         // dialog
    {3039, funsing, 0},           // digest
    {3040, fundisk, 0},           // diskSpace
    {3041, fundoasmsg, 0},        // doAsMsg, doAsMessage
    {3042, fundragdata, 0},       // dragData
    {3043, funsing, 0},           // encode
    {3044, funzero, 0},           // environment
    {3045, funzero, 0},           // errorObject
    {3046, funzero, 0},           // errorOffset
    {3047, funerrortext, 0},      // errorText
    {3048, funexists, 0},         // exists
    {3049, funmath, 0},           // exp
    {3050, funmath, 0},           // exp1
    {3051, funmath, 0},           // exp2
    {3052, funzero, 0},           // filePlayTime
    {3053, funzero, 0},           // forthList
    {3054, funzero, 0},           // foundChunk
    {3055, funzero, 0},           // foundField
    {3056, funzero, 0},           // foundLine
    {3057, funzero, 0},           // foundText
    {3058, funzero, 0},           // foundWindow
    {3059, funzero, 0},           // frontScripts
    {3060, getselected, 0},       // getSelected
    {3061, funlocs, 0},           // globalLoc
    {3062, funzero, 0},           // globals
    {3063, funhasmemory, 0},      // hasMemory
    {3064, funzero, 0},           // heapSpace
    {3065, funsing, 0},           // hexToString
    {3066, funsing, 0},           // hfsToPosix
    {3067, funquads, 0},          // insetQuad
    {3068, funrects, 0},          // insetRect
    {3069, funzero, 0},           // interrupt
    {3070, fungraph, 0},          // intersect
    {3072, funsing, 0},           // isControl
    {3073, funsing, 0},           // isNumber
    {3074, funsing, 0},           // isReservedWord
    {3075, funsing, 0},           // length, len
    {3076, offsetfunctions, 0},   // lineOffset
    {3077, funmath, 0},           // ln
    {3078, funmath, 0},           // ln1
    {3079, funlocs, 0},           // localLoc
    {3080, funmath, 0},           // log2
    {3081, funsing, 0},           // lower
    {3082, funzero, 0},           // machine
    {3083, funzero, 0},           // machineBusSpeed
    {3084, funzero, 0},           // machineROMVersion
    {3085, funzero, 0},           // machineSerialNumber
    {3086, funlist, 0},           // max
    {3087, funzero, 0},           // menus
    {3088, funsing, 0},           // merge
    {3089, funzero, 0},           // msgText, messageText
    {3090, funsing, 0},           // midiNameToNum
    {3091, funsing, 0},           // midiNumToName
    {3092, funlist, 0},           // min
    {3093, funzero, 0},           // mouse
    {3094, funzero, 0},           // mouseChar
    {3095, funzero, 0},           // mouseChunk
    {3096, funzero, 0},           // mouseClick
    {3097, funzero, 0},           // mouseH
    {3098, funzero, 0},           // mouseLoc
    {3099, funzero, 0},           // mouseObject
    {3100, funzero, 0},           // mouseText
    {3101, funzero, 0},           // mouseV
    {3102, funmovie, 0},          // movie
    {3103, funsing, 0},           // numToChar
    {3104, offsetfunctions, 0},   // offset
    {3105, funquads, 0},          // offsetQuad
    {3106, funrects, 0},          // offsetRect
    {3107, funzero, 0},           // optionKey
    {3108, funzero, 0},           // paperSize
    {3109, funzero, 0},           // paperSizes
    {3110, funsing, 0},           // param
    {3111, funzero, 0},           // paramCount
    {3112, funzero, 0},           // params
    {3113, funzero, 0},           // physicalMemory
    {3114, funrects, 0},          // pinRect
    {3115, funzero, 0},           // platform
    {3116, funquads, 0},          // polyQuad
    {3117, funsing, 0},           // posixToHFS
    {3118, funzero, 0},           // printableRect
    {3119, funzero, 0},           // printer
    {3120, funzero, 0},           // printerDriver
    {3121, funzero, 0},           // printerModel
    {3122, funzero, 0},           // printers
    {3123, funzero, 0},           // printCopies
    {3124, funzero, 0},           // printOrientation
    {3125, funzero, 0},           // printRange
    {3126, funzero, 0},           // processor
    {3127, funzero, 0},           // processorCount
    {3128, funzero, 0},           // processorSpeed
    {3129, funzero, 0},           // programs
    {3130, funzero, 0},           // projects
    {3131, funsing, 0},           // projPath, projectPath
    {3132, funzero, 0},           // projectFileType
    {3133, funzero, 0},           // projectFileCreator
    {3134, funzero, 0},           // projectFileExtension
    {3135, funzero, 0},           // pushList
    {3136, funquads, 0},          // quadRect
    {3137, funzero, 0},           // qtFilePlayTime, quickTimeFilePlayTime
    {3138, funzero, 0},           // quickTimeVersion
    {3139, funsing, 0},           // random
    {3140, funzero, 0},           // recogState, recognitionState
    {3141, funrects, 0},          // rectQuad
    {3142, funreplace, 0},        // replace
    {3143, funzero, 0},           // result
    {3144, funzero, 0},           // rosetta
    {3145, funquads, 0},          // rotateQuad
    {3146, funmath, 0},           // round
    {3148, funrects, 0},          // scaleRect
    {3149, funzero, 0},           // scrapFlavors: clipflavors
    {3150, funzero, 0},           // screenLoc
    {3151, funzero, 0},           // screenRect
    {3152, funzero, 0},           // seconds, secs
    {3153, funzero, 0},           // selectedChunk
    {3154, funzero, 0},           // selectedField
    {3155, funzero, 0},           // selectedGraphic
    {3156, funzero, 0},           // selectedLine
    {3157, funzero, 0},           // selectedLoc
    {3158, funzero, 0},           // selectedText
    {3159, funzero, 0},           // sharedFile
    {3160, funshell, 0},          // shell
    {3161, funzero, 0},           // shiftKey
    {3162, funmath, 0},           // sin
    {3163, funquads, 0},          // skewQuad
    {3164, funzero, 0},           // sound
    {3165, funzero, 0},           // soundDevices
    {3166, funzero, 0},           // soundMgrVersion, soundManagerVersion
    {3167, funzero, 0},           // speechBusy
    {3168, funmath, 0},           // sqrt
    {3169, funzero, 0},           // stackSpace
    {3170, funsing, 0},           // stringToHex
    {3171, funlist, 0},           // sum
    {3172, funsing, 0},           // supportsExclusiveFileAccess
    {3173, funzero, 0},           // systemVersion
    {3174, funmath, 0},           // tan
    {3175, funzero, 0},           // target
    {3176, funtextheightsum, 0},  // textHeightSum
    {3177, funzero, 0},           // ticks
    {3178, funtime, 0},           // time
    {3179, funsing, 0},           // title
    {3180, funzero, 0},           // topWindow
    {3181, funmath, 0},           // trunc
    {3182, funsing, 0},           // upper
    {3183, funsing, 0},           // urlDecode
    {3184, funsing, 0},           // urlEncode
    {3185, funzero, 0},           // userWindows
    {3186, funsing, 0},           // value
    {3187, fundisk, 0},           // version
    {3188, funzero, 0},           // voices
    {3189, funzero, 0},           // windows, wds, winds
    {3190, fungraph, 0},          // within
    {3193, funzero, 0},           // xwindows
    {tokControlKey, funzero, 0},  // controlKey (also a message word)
    {tokCarbonVersion, funzero, 0},  // carbonVersion (a property word)
    {tokNumberWord, funumbr, 0},  // number, num (a property word)
    {tokScriptWord, funscript, 0},   // script (a property word)
    {tokShort, funcase, 0},       // short
    {9002, funcase, 0},           // long
    {tokAbbreviated, funcase, 0},  // abbreviated, abbr, abbrev
};

// The rows by token: functions 3001-3193, then the further words; index + 1, 0 for none.
constexpr u16 furtherwords[] = {tokControlKey, tokCarbonVersion, tokNumberWord, tokScriptWord, tokShort, 9002,
                                tokAbbreviated};
constexpr size_t slotof(u16 token) {
  if (token >= firstfunction && token <= lastfunction) return size_t(token - firstfunction);
  for (size_t i = 0; i < std::size(furtherwords); ++i)
    if (furtherwords[i] == token) return size_t(lastfunction - firstfunction + 1) + i;
  return size_t(-1);
}

constexpr auto funindex = [] {
  std::array<u8, lastfunction - firstfunction + 1 + std::size(furtherwords)> index{};
  for (size_t i = 0; i < std::size(funrows); ++i) index[slotof(funrows[i].token)] = u8(i + 1);
  return index;
}();
static_assert(std::size(funrows) < 256);

const funrow* rowof(u16 token) {
  size_t slot = slotof(token);
  if (slot >= funindex.size() || funindex[slot] == 0) return nullptr;
  return &funrows[funindex[slot] - 1];
}

}  // namespace

i16 sysfun(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  u16 token = tokenat(atoms, at);
  if (token == tokThe) token = tokenat(atoms, at + 1);
  const funrow* row = rowof(token);
  if (row != nullptr && row->pluginrefused != 0 && mainglobals().plugin != 0) return statuspluginfunction;
  funproc routine = row != nullptr ? row->routine : neverfunproc;
  i16 st = routine(path, text, atoms, at, variables, count, value);
  if (st > 0 && !path.empty()) posterror(path.front(), at, text);
  return st;
}

i16 neverfunproc(hierpath, Handle, Handle, i32, Handle, i32* count, fred*) {
  *count = 0;
  return statusnofunction;
}

i16 funnotbuilt(hierpath, Handle, Handle, i32, Handle, i32* count, fred*) {
  *count = 0;
  return statusnotbuilt;
}

}  // namespace kv
