// The dynamic loader as externals need it: code images and the modules linked from them.
//
// An image is code the system holds: bytes checked to be a shared object of this machine
// (ELF of its class, byte order and processor, whose program headers and segments lie inside
// the bytes), kept in an anonymous memory file, or named by the path of the file they came
// from. Linking the image loads it privately with every symbol bound at once. An image and
// the module linked from it are one registry id (RegType::external); unlinking closes the
// module, destroying the image lets the id go. Nothing is loaded that was not checked first,
// so a damaged object never reaches the loader.
#pragma once

#include <string>
#include <string_view>

#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

// Whether the bytes are a shared object this machine can load; the reason when not.
bool checksharedobject(const u8* bytes, u64 size, std::string* reason);

// Makes an image of the bytes: 1 (and *image) when they are a shared object of this machine,
// 0 (the general failure, with the reason) otherwise. A non-empty `path` (Mac Roman) names
// the file the bytes were read from, which the loader then opens itself.
i32 createimage(const u8* bytes, u64 size, std::string_view path, RegistryId* image, std::string* reason);
// Loads the image's module: true, or false with the loader's reason.
bool linkimage(RegistryId image, std::string* reason);
// The address of a symbol of a linked image. *found is false when the module does not define
// it (a defined symbol may still have the address 0).
void* imagesymbol(RegistryId image, const char* name, bool* found);
// Closes the module of an image (nothing when it has none).
void unlinkimage(RegistryId image);
// Lets an image go (its module is closed first): false for an id that names no image.
bool destroyimage(RegistryId image);
// Images that exist now (tests look).
std::size_t imagecount();

// The processor type that the fat headers of the desktop platform give this machine's code
// (0 when they name none), and the size of a memory page.
u32 localcputype();
u64 pagesize();

}  // namespace kv
