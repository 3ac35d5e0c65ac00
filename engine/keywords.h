// The keyword table: every spelling of the Veltrix language with its 16-bit token number, the
// token hash table built from it at start-up, and the lookups both ways.
//
// Token classes are ranges of token numbers and are tested by range everywhere in the engine;
// the named constants below are the ones the engine refers to by number.
#pragma once

#include <array>
#include <span>

#include "platform/text/casefold.h"
#include "platform/types.h"

namespace kv {

// --- Token numbers ----------------------------------------------------------------------------
enum : u16 {
  // Data atoms made by the tokenizer.
  tokEndOfLine = 0,
  tokEndOfScript = 1,
  tokString = 2,
  tokNumber = 3,
  tokUnknown = 4,
  tokLeftParen = 5,
  tokRightParen = 6,
  tokVariable = 7,

  // Operators (1001-1026).
  tokMinus = 1001,
  tokNot = 1002,
  tokPower = 1003,
  tokMult = 1004,
  tokDivide = 1005,
  tokDiv = 1006,
  tokMod = 1007,
  tokPlus = 1008,
  tokConcat = 1009,
  tokConcatSpace = 1010,
  tokLess = 1011,
  tokGreater = 1012,
  tokLessEqual = 1013,
  tokGreaterEqual = 1014,
  tokContains = 1015,
  tokIsNotIn = 1016,
  tokIsIn = 1017,
  tokIs = 1018,
  tokIsNot = 1019,
  tokAnd = 1020,
  tokOr = 1021,
  tokIsWithin = 1022,
  tokNotWithin = 1023,
  tokThere = 1024,
  tokThereIs = 1025,
  tokThereIsNot = 1026,

  // Commands.
  tokDo = 2047,
  tokSend = 2179,

  // Functions.
  tokLineOffset = 3076,
  tokOffset = 3104,

  tokComma = 5024,

  // Ordinals and chunk words.
  tokFirst = 7001,
  tokTenth = 7010,
  tokLast = 7011,
  tokAny = 7012,
  tokMiddle = 7013,
  tokLine = 8001,
  tokItem = 8002,
  tokWord = 8003,
  tokChar = 8004,

  // Language words.
  tokCase = 10004,
  tokCatch = 10005,
  tokElse = 10007,
  tokEnd = 10008,
  tokExit = 10010,
  tokIf = 10012,
  tokOf = 10016,  // also spelt `in`
  tokRepeat = 10018,
  tokSwitch = 10019,
  tokTry = 10022,
  tokThen = 10023,
  tokTo = 10024,

  // Other words.
  tokAt = 11007,
  tokCard = 11034,
  tokFile = 11110,
  tokForever = 11116,
  tokFunction = 11122,
  tokOn = 11205,
  tokThis = 11313,
  tokWindow = 11348,
  tokWith = 11350,

  // The row without a spelling; never matched.
  tokNone = 65535,
};

// Class ranges.
constexpr u16 firstoperator = 1001, lastoperator = 1026;
constexpr u16 firstcommand = 2001, lastcommand = 2220;
constexpr u16 firstfunction = 3001, lastfunction = 3193;
constexpr u16 firstproperty = 4001, lastproperty = 4305;
constexpr u16 firstconstant = 5001, lastconstant = 5026;
constexpr u16 firstordinal = 7001, lastordinal = 7013;
constexpr u16 firstchunkword = 8001, lastchunkword = 8004;
constexpr u16 firstnameform = 9001, lastnameform = 9003;
constexpr u16 firstlanguageword = 10001, lastlanguageword = 10024;
constexpr u16 firstotherword = 11001, lastotherword = 11353;

// --- The table --------------------------------------------------------------------------------
// One row: the spelling as a length-prefixed lower-case text, and its token.
struct keywordrow {
  u8 text[32];
  u16 token;
};

// The rows of one initial letter, in table order.
struct keywordletter {
  const keywordrow* rows;
  u16 count;
};

// The index of the per-letter tables: a..z, then an entry whose rows are null. Every walk over
// the keyword table goes through it in this order.
std::span<const keywordletter> keywordindex();

// `lowertable` (A-Z to a-z, every other byte to itself) comes from platform/text/casefold.h.

// --- Hash table -------------------------------------------------------------------------------
// Slots of the token hash table: 1,297 buckets of 8 slots; the last 64 slots are never used.
// A slot holds 0 (empty) or the index + 1 of a keyword row in table order.
constexpr int hashbuckets = 1297;
constexpr int hashslots = 10440;
constexpr int hashlastslot = hashbuckets * 8 - 1;  // 10,375: probing never goes past it

// Builds the token hash table into mainglobals().tokenhash (replacing an earlier one).
// 0 done, 37 no memory, 1 table overflow (reported to the console).
i16 hashtokens();

// The token of a word (its characters, no length byte), or 4 when it is no keyword. Case is
// ignored. Builds the hash table first if start-up has not.
u16 stringtotoken(const u8* text, u16 length);

// The lower-case text of a token, length-prefixed, owned by the table: its first spelling in
// table order, else the fixed name of a data atom or symbol operator, else "unknown".
ConstStringPtr tokentostring(u16 token);

// Replaces `word` by every other spelling of `token`, each preceded by a comma, in table order;
// spellings equal to the given word (ignoring case) are skipped. 1 when one was added, else 0
// with `word` empty. Clipped at 255 characters.
i16 getsynonyms(u16 token, Str255 word);

}  // namespace kv
