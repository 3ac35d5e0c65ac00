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

}  // namespace kv
