// The box drawn around the text that find found last.
#pragma once

namespace kv {

// Erases the box and forgets it.
void clearfind();

}  // namespace kv
