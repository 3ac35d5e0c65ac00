// The international order of Mac Roman texts, as people sort words: letters by their base
// letter first (ligatures spelt out: "Æ" as "AE", "ß" as "ss", "ﬁ" as "fi"), then by their
// accents, then by letter case (small before capital). No C library locale is involved.
#pragma once

#include <string_view>

namespace kv {

// Negative, 0 or positive as a sorts before, with or after b.
int intlcompare(std::string_view a, std::string_view b);

}  // namespace kv
