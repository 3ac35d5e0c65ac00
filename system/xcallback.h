// The callback of classic externals: the routine the parameter block's entry point names
// (procedure table slots 275 and 440). The external fills the request code and input words
// of the block it was called with and calls it; the answer is in the block's result code (0
// done, 1 refused, 2 unknown request, 3 unsupported selector) and output words.
//
// Served: field text (20-25), descriptors (4500, 4501), picture data (4503), bitmaps
// (5000-5002), resource records (5003-5009, 5023) and user properties (5014-5017,
// 5019-5022). Every other code answers 2 and changes nothing.
#pragma once

namespace kv {

void PxcmdRTcallback();

}  // namespace kv
