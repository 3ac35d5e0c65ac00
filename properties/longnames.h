// File names longer than a short string, as the setters that read files are given them.
#pragma once

#include <string>

#include "platform/types.h"

namespace kv {

// A name that may be longer than 255 bytes split into the id of its folder and its last part:
// a name of at most 255 bytes is the leaf whole with folder id 0; a longer one must end in a
// part of at most 255 bytes after a slash, in a folder that exists. False otherwise.
bool splitname(const std::string& name, u32* dirid, StringPtr leaf);

}  // namespace kv
