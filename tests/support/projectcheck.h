// A strict reader of project files for the tests: the file as bytes, checked record by record
// and between records, without the program's own store.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/types.h"

namespace kv {

// What a project file breaks: an empty text when it holds. Checked: the header (version,
// revision, counts within their arrays) and a length of exactly base offset plus end of data;
// the recycled chain; every live id's record head inside the data, apart from the other
// records and the free list, which adds up to the free bytes; the head and the four library
// records; each library's racks (at most 400 entries, counts as the references say, their
// sum the library's entry count, every entry's record there and of its library's kind); each
// window's card list (at most 100 entries a page, counts as the references say, their sum
// the window's card count, every card and background record there and of its kind, every
// card id and background id distinct and below the window's next id, as many backgrounds as
// the window counts).
std::string checkproject(const std::vector<u8>& file);

// What the project holds: every live record's data by id (the file's bytes), and what
// checkproject says of it.
struct ProjectContents {
  std::string fault;
  std::map<u32, std::vector<u8>> records;
};
ProjectContents readproject(const std::vector<u8>& file);

}  // namespace kv
