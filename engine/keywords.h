// The keyword table: every spelling of the Veltrix language with its 16-bit token number, the
// token hash table built from it at start-up, and the lookups both ways.
//
// Token classes are ranges of token numbers and are tested by range everywhere in the engine.
// The tokens by name (`tok::put`) are in engine/tokens.h, generated from engine/keywordlist.inc.
#pragma once

#include <array>
#include <span>

#include "engine/tokens.h"
#include "platform/text/casefold.h"
#include "platform/types.h"

namespace kv {

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

// --- Old token names, kept until the interpreter files use the generated ones -----------
inline constexpr u16 tokAnd = tok::and_;
inline constexpr u16 tokCard = tok::card;
inline constexpr u16 tokCase = tok::case_;
inline constexpr u16 tokCatch = tok::catch_;
inline constexpr u16 tokComma = tok::comma;
inline constexpr u16 tokConcat = tok::concat;
inline constexpr u16 tokConcatSpace = tok::concatspace;
inline constexpr u16 tokContains = tok::contains;
inline constexpr u16 tokDiv = tok::div;
inline constexpr u16 tokDivide = tok::slash;
inline constexpr u16 tokDo = tok::do_;
inline constexpr u16 tokElse = tok::else_;
inline constexpr u16 tokEnd = tok::end;
inline constexpr u16 tokEndOfLine = tok::endofline;
inline constexpr u16 tokEndOfScript = tok::endofscript;
inline constexpr u16 tokExit = tok::exit;
inline constexpr u16 tokFile = tok::file;
inline constexpr u16 tokForever = tok::forever;
inline constexpr u16 tokGreater = tok::greater;
inline constexpr u16 tokGreaterEqual = tok::greaterequal;
inline constexpr u16 tokIf = tok::if_;
inline constexpr u16 tokIs = tok::is;
inline constexpr u16 tokIsIn = tok::isin;
inline constexpr u16 tokIsNot = tok::aint;
inline constexpr u16 tokIsNotIn = tok::isnotin;
inline constexpr u16 tokIsWithin = tok::iswithin;
inline constexpr u16 tokLeftParen = tok::leftparen;
inline constexpr u16 tokLess = tok::less;
inline constexpr u16 tokLessEqual = tok::lessequal;
inline constexpr u16 tokLine = tok::line;
inline constexpr u16 tokMinus = tok::minus;
inline constexpr u16 tokMod = tok::mod;
inline constexpr u16 tokMult = tok::mult;
inline constexpr u16 tokNot = tok::not_;
inline constexpr u16 tokNotWithin = tok::notwithin;
inline constexpr u16 tokNumber = tok::numberatom;
inline constexpr u16 tokOf = tok::in;
inline constexpr u16 tokOr = tok::or_;
inline constexpr u16 tokPlus = tok::plus;
inline constexpr u16 tokPower = tok::power;
inline constexpr u16 tokRepeat = tok::repeat;
inline constexpr u16 tokRightParen = tok::rightparen;
inline constexpr u16 tokSend = tok::send;
inline constexpr u16 tokString = tok::stringatom;
inline constexpr u16 tokSwitch = tok::switch_;
inline constexpr u16 tokThen = tok::then;
inline constexpr u16 tokThere = tok::there;
inline constexpr u16 tokTo = tok::to;
inline constexpr u16 tokTry = tok::try_;
inline constexpr u16 tokUnknown = tok::unknown;
inline constexpr u16 tokVariable = tok::variable;
inline constexpr u16 tokWindow = tok::wd;
inline constexpr u16 tokWith = tok::with;
// --- End of old token names

}  // namespace kv
