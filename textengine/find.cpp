// Searching a record's text for a byte string: the Boyer-Moore skip rule over a folding table
// made with the rules of the text's script, so that case and diacritical marks can be ignored,
// and a check of each candidate against character boundaries and, when asked, word edges.
#include <algorithm>

#include "platform/fonts/scriptmanager.h"
#include "platform/text/changecase.h"
#include "platform/text/sjis.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

// The folding table of the options: each byte maps to the byte it compares as.
void makefolding(u32 options, i16 script, u8* fold) {
  for (int c = 0; c < 256; ++c) fold[c] = u8(c);
  const u32 kinds = options & (weFindCaseInsensitive | weFindDiacriticalInsensitive);
  if (kinds == (weFindCaseInsensitive | weFindDiacriticalInsensitive)) UppercaseStripDiacritics(fold, 256, script);
  else if (kinds == weFindCaseInsensitive) UppercaseText(fold, 256, script);
  else if (kinds == weFindDiacriticalInsensitive) StripDiacritics(fold, 256, script);
}

// Whether [start, end) of the record is a match the options accept: it neither splits a
// two-byte character nor, for whole words, a word.
bool acceptable(i32 start, i32 end, u32 options, WEReference we) {
  if (WECharByte(start, we) == smLastByte || WECharByte(end - 1, we) == smFirstByte) return false;
  if (options & weFindWholeWords) {
    i32 ws = 0, wend = 0;
    WEFindWord(start, -1, &ws, &wend, we);
    if (ws != start) return false;
    WEFindWord(end, 0, &ws, &wend, we);
    if (wend != end) return false;
  }
  return true;
}

}  // namespace

void _WEInitBoyerMooreSearch(const u8* key, i32 keyLength, const u8* fold, i32* skip) {
  for (int c = 0; c < 256; ++c) skip[c] = keyLength;
  // The last key byte is not entered: a mismatch on it moves the window past it.
  for (i32 i = 1; i < keyLength; ++i) skip[fold[key[i - 1]]] = keyLength - i;
}

OSErr _WEDoBoyerMooreSearch(const u8* text, i32 textLength, const u8* key, i32 keyLength, const u8* fold,
                            const i32* skip, i32* matchStart, i32* matchEnd) {
  *matchStart = *matchEnd = -1;
  if (keyLength < 1 || keyLength > textLength) return weTextNotFoundErr;
  i32 windowEnd = keyLength;
  while (windowEnd <= textLength) {
    i32 p = windowEnd - 1, k = keyLength - 1;
    while (k >= 0 && fold[text[p]] == fold[key[k]]) --p, --k;
    if (k < 0) {
      *matchStart = windowEnd - keyLength;
      *matchEnd = windowEnd;
      return noErr;
    }
    windowEnd = p + 1 + std::max(skip[fold[text[p]]], keyLength - k);
  }
  return weTextNotFoundErr;
}

OSErr WEFind(const u8* key, i32 keyLength, i16 script, u32 options, i32 rangeStart, i32 rangeEnd, i32* matchStart,
             i32* matchEnd, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || key == nullptr || keyLength < 1) return paramErr;
  rangeStart = std::clamp(rangeStart, 0, r->textLength);
  rangeEnd = std::clamp(rangeEnd, 0, r->textLength);
  if (rangeStart > rangeEnd) return paramErr;
  if (script < 0 || script > 31 || GetScriptVariable(script, smScriptEnabled) == 0) return weBadScriptErr;

  u8 fold[256];
  i32 skip[256];
  makefolding(options, script, fold);
  _WEInitBoyerMooreSearch(key, keyLength, fold, skip);

  i32 found = -1, foundEnd = -1;
  OSErr err = weTextNotFoundErr;
  // A rejected candidate sends the search on from the byte after its start.
  for (i32 from = rangeStart; from < rangeEnd;) {
    i32 s = 0, e = 0;
    // The text stays where it is during the search: nothing here allocates.
    const u8* text = deref(werec(we)->hText) + from;
    if (_WEDoBoyerMooreSearch(text, rangeEnd - from, key, keyLength, fold, skip, &s, &e) != noErr) break;
    if (acceptable(from + s, from + e, options, we)) {
      found = from + s;
      foundEnd = from + e;
      err = noErr;
      break;
    }
    from += s + 1;
  }
  if (matchStart) *matchStart = found;
  if (matchEnd) *matchEnd = foundEnd;
  return err;
}

}  // namespace kv
