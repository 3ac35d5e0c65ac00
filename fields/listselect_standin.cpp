// A stand-in until list fields have live lists: no field has one.
#include "fields/listselect.h"

namespace kv {

i32 listrowcount(const spot&) { return -1; }

void listselectrow(const spot&, i32, bool) {}

bool listvisiblerows(const spot&, listwindow*) { return false; }

void listscrollto(const spot&, i32) {}

void listshowselection(const spot&) {}

void listredraw(const spot&, bool) {}

}  // namespace kv
