// Graphics importers: components of type 'grip' that read an image file's data, describe the
// image, validate it and give it as a picture that draws its pixels at (0, 0).
//
// One importer per type code (the subtype):
//   'PNGf', 'JPEG', 'TIFF', 'GIFf'  the image file decoders of imagefiles.h
//   'BMPf', 'tga ', '8BPS'           Windows bitmaps, Targa and Photoshop images (stb_image)
//   'PNTG'                           MacPaint: a 512-byte header, then 720 rows of 72 bytes,
//                                    each packed (PackBits), 1 bits black
// The 'tga ' and 'PNTG' importers have no validation call: it answers badComponentSelector, and
// their image descriptions give a data size of 0. For a file, the importer is chosen by the
// data's first bytes (PNG, JPEG, TIFF, GIF, "BM", "8BPS"), else by the name's extension.
//
// An open importer is a registry id (RegType::component), closed with CloseComponent. An
// importer given a data handle reads the handle's bytes on every call: the caller keeps the
// handle until the importer is done with it.
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/runtime/registry.h"

namespace kv {

using ComponentInstance = RegistryId;
using ComponentResult = i32;

constexpr OSType GraphicsImporterComponentType = fourcc("grip");
// The component lacks the call asked of it.
constexpr ComponentResult badComponentSelector = ComponentResult(0x80008002u);
// No component of that type and subtype, or no importer for a file.
constexpr OSErr invalidComponentID = -3000;
constexpr OSErr noSuggestedImporter = -2101;
// The image data is damaged.
constexpr OSErr codecBadDataErr = -8969;

struct ImageDescription {
  OSType cType;  // the codec type: 'png ', 'jpeg', 'tiff', 'gif ', 'WRLE', 'tga ', '8BPS', 'PNTG'
  i16 width;
  i16 height;
  i32 hRes;  // 16.16 fixed, pixels per inch
  i32 vRes;
  i32 dataSize;  // the bytes of image data, or 0 when the importer does not say
  i16 depth;     // bits per pixel
};

OSErr OpenADefaultComponent(OSType componentType, OSType componentSubType, ComponentInstance* ci);
// Closes any open component, an importer or a scripting component (defined with the
// Component Manager, platform/osa/osa.cpp).
OSErr CloseComponent(ComponentInstance ci);
// The importers' part of CloseComponent.
OSErr closeimporter(ComponentInstance ci);
// An importer for a file's data, chosen by its content, else by its name's extension; the data
// is read when the importer is made. noSuggestedImporter when none fits, or the file's error.
OSErr GetGraphicsImporterForFile(i16 vRefNum, u32 dirID, ConstStringPtr name, ComponentInstance* ci);

ComponentResult GraphicsImportSetDataHandle(ComponentInstance ci, Handle data);
// The image's description from its header (the pixels are not decoded).
ComponentResult GraphicsImportGetImageDescription(ComponentInstance ci, ImageDescription* desc);
// Whether the image is within the decoders' limits (16,384 pixels a side, 16,777,216 pixels).
ComponentResult GraphicsImportValidate(ComponentInstance ci, Boolean* valid);
// Decodes the image into a new picture whose frame is its bounds: memFullErr, or
// codecBadDataErr for damaged data.
ComponentResult GraphicsImportGetAsPicture(ComponentInstance ci, PicHandle* picture);

// An offscreen world for an image of the description: its size, 1 bit deep for a 1-bit image,
// else 32 bits.
OSErr NewImageGWorld(GWorldPtr* world, const ImageDescription* desc, GWorldFlags flags);
// The world GraphicsImportDraw draws into (the device is the world's own).
ComponentResult GraphicsImportSetGWorld(ComponentInstance ci, CGrafPtr port, GDHandle device);
// Decodes the image and draws it at (0, 0) of the world set: paramErr without a world,
// codecBadDataErr for damaged data, memFullErr.
ComponentResult GraphicsImportDraw(ComponentInstance ci);

// The importers open now (tests).
std::size_t opencomponentcount();

}  // namespace kv
