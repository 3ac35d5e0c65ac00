// JPEG 2000 images of icon families, decoded from memory through libopenjp2.
#include <openjpeg.h>

#include <cstring>

#include "platform/qd/iconimpl.h"

namespace kv {

namespace {

constexpr u8 kJP2Signature[12] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
constexpr u8 kCodestream[4] = {0xFF, 0x4F, 0xFF, 0x51};

struct Reader {
  const u8* data;
  std::size_t size;
  std::size_t at;
};

OPJ_SIZE_T readbytes(void* buffer, OPJ_SIZE_T n, void* user) {
  auto* r = static_cast<Reader*>(user);
  if (r->at >= r->size) return OPJ_SIZE_T(-1);
  const std::size_t k = std::min<std::size_t>(n, r->size - r->at);
  std::memcpy(buffer, r->data + r->at, k);
  r->at += k;
  return k;
}

OPJ_OFF_T skipbytes(OPJ_OFF_T n, void* user) {
  auto* r = static_cast<Reader*>(user);
  if (n < 0) return -1;
  const std::size_t k = std::min<std::size_t>(std::size_t(n), r->size - r->at);
  r->at += k;
  return OPJ_OFF_T(k);
}

OPJ_BOOL seekbytes(OPJ_OFF_T n, void* user) {
  auto* r = static_cast<Reader*>(user);
  if (n < 0 || std::size_t(n) > r->size) return OPJ_FALSE;
  r->at = std::size_t(n);
  return OPJ_TRUE;
}

void quiet(const char*, void*) {}

// One component's sample as 8 bits.
u32 sample(const opj_image_comp_t& c, std::size_t i) {
  i64 v = c.data[i];
  if (c.sgnd) v += i64(1) << (c.prec - 1);
  const i64 top = (i64(1) << c.prec) - 1;
  v = v < 0 ? 0 : v > top ? top : v;
  return u32(c.prec == 8 ? v : (v * 255 + top / 2) / top);
}

// Owns what a decoding made.
struct Decoding {
  opj_codec_t* codec = nullptr;
  opj_stream_t* stream = nullptr;
  opj_image_t* image = nullptr;
  ~Decoding() {
    if (image) opj_image_destroy(image);
    if (stream) opj_stream_destroy(stream);
    if (codec) opj_destroy_codec(codec);
  }
};

bool toimage(const opj_image_t& im, IconImage* out) {
  const u32 n = im.numcomps;
  if (n < 1 || n > 4 || im.x1 <= im.x0 || im.y1 <= im.y0) return false;
  const u32 w = im.x1 - im.x0, h = im.y1 - im.y0;
  if (w > u32(kMaxIconSide) || h > u32(kMaxIconSide)) return false;
  for (u32 k = 0; k < n; ++k) {
    const opj_image_comp_t& c = im.comps[k];
    if (c.w != w || c.h != h || c.data == nullptr || c.prec < 1 || c.prec > 16) return false;
  }
  out->width = i32(w);
  out->height = i32(h);
  out->depth = 32;
  out->argb.resize(std::size_t(w) * h);
  const bool colour = n >= 3, alpha = n == 2 || n == 4;
  for (std::size_t i = 0; i < out->argb.size(); ++i) {
    const u32 r = sample(im.comps[0], i);
    const u32 g = colour ? sample(im.comps[1], i) : r, b = colour ? sample(im.comps[2], i) : r;
    const u32 a = alpha ? sample(im.comps[n - 1], i) : 255;
    out->argb[i] = a << 24 | r << 16 | g << 8 | b;
  }
  return true;
}

}  // namespace

bool decodejpeg2000(const u8* data, std::size_t size, IconImage* out) {
  OPJ_CODEC_FORMAT format;
  if (size >= sizeof kJP2Signature && std::memcmp(data, kJP2Signature, sizeof kJP2Signature) == 0)
    format = OPJ_CODEC_JP2;
  else if (size >= sizeof kCodestream && std::memcmp(data, kCodestream, sizeof kCodestream) == 0)
    format = OPJ_CODEC_J2K;
  else return false;
  Decoding d;
  Reader reader{data, size, 0};
  d.codec = opj_create_decompress(format);
  if (d.codec == nullptr) return false;
  opj_set_info_handler(d.codec, quiet, nullptr);
  opj_set_warning_handler(d.codec, quiet, nullptr);
  opj_set_error_handler(d.codec, quiet, nullptr);
  opj_dparameters_t params;
  opj_set_default_decoder_parameters(&params);
  if (!opj_setup_decoder(d.codec, &params)) return false;
  d.stream = opj_stream_default_create(OPJ_TRUE);
  if (d.stream == nullptr) return false;
  opj_stream_set_user_data(d.stream, &reader, nullptr);
  opj_stream_set_user_data_length(d.stream, size);
  opj_stream_set_read_function(d.stream, readbytes);
  opj_stream_set_skip_function(d.stream, skipbytes);
  opj_stream_set_seek_function(d.stream, seekbytes);
  if (!opj_read_header(d.stream, d.codec, &d.image) || d.image == nullptr) return false;
  // The size is checked before the pixels are decoded.
  if (d.image->x1 <= d.image->x0 || d.image->y1 <= d.image->y0 || d.image->x1 - d.image->x0 > u32(kMaxIconSide) ||
      d.image->y1 - d.image->y0 > u32(kMaxIconSide))
    return false;
  if (!opj_decode(d.codec, d.stream, d.image) || !opj_end_decompress(d.codec, d.stream)) return false;
  return toimage(*d.image, out);
}

}  // namespace kv
