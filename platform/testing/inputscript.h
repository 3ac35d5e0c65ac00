// The input file of headless runs (--input FILE): one test-driver action per line, in order.
//
//   click 120,40 [cmd] [shift] [option] [control]     points are x,y in global pixels
//   doubleClick 120,40
//   mouseDown 120,40 / moveTo 130,50 / mouseUp
//   drag 10,10 100,100 [ticks]                         ticks default 10
//   key return [cmd] ...    key 36    key "a"          a key by name, code or character
//   type "Hello ""quoted"" text"                       UTF-8, typed as Mac Roman
//   wheel 100,100 -3 [horizontal]
//   compose "ab" 1 / commit "ab"                       an input method's text being composed
//                                                      (cursor in characters) and committed
//   suspend / resume / quitRequest
//   openDocuments "a.kv45" "notes/b.kv45"
//   dropFiles 120,40 "a.txt" "b.png"                   files another program drops there
//   dropText 120,40 "text"                             text another program drops there
//   advance 30                                         a pause of 30 ticks
//
// Blank lines and lines starting with '#' are skipped; words are compared without case.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// Checks every line, then puts the actions on the timeline. False (nothing scheduled) with a
// message naming the first bad line.
bool runinputscript(std::string_view text, std::string* error);

}  // namespace kv
