// The callback of classic externals: the routine the parameter block's entry point names
// (procedure table slots 275 and 440). The external fills the request code and input words
// of the block it was called with and calls it; the answer is in the block's result code (0
// done, 1 refused, 2 unknown request, 3 unsupported selector) and output words.
//
// Requests that run script code (1, 2, 5 and 5018) keep the caller's block and call context
// aside meanwhile and write their answers after putting them back. Codes outside the table
// (0, 29-38, 40-4499, 4505-4999, 5024 and above) answer 2 and change nothing.
#pragma once

namespace kv {

void PxcmdRTcallback();

}  // namespace kv
