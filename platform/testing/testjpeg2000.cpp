// JPEG 2000 files written from pixels through libopenjp2's encoder, for the icon tests and
// fuzz seeds: lossless (the reversible 5-3 wavelet), one tile, four 8-bit components.
#include <openjpeg.h>

#include <cstring>

#include "platform/testing/testimages.h"

namespace kv {

namespace {

struct Writer {
  std::vector<u8>* out;
  std::size_t at;
};

OPJ_SIZE_T writebytes(void* buffer, OPJ_SIZE_T n, void* user) {
  auto* w = static_cast<Writer*>(user);
  if (w->out->size() < w->at + n) w->out->resize(w->at + n);
  std::memcpy(w->out->data() + w->at, buffer, n);
  w->at += n;
  return n;
}

OPJ_OFF_T skipbytes(OPJ_OFF_T n, void* user) {
  auto* w = static_cast<Writer*>(user);
  if (n < 0) return -1;
  if (w->out->size() < w->at + std::size_t(n)) w->out->resize(w->at + std::size_t(n));
  w->at += std::size_t(n);
  return n;
}

OPJ_BOOL seekbytes(OPJ_OFF_T n, void* user) {
  auto* w = static_cast<Writer*>(user);
  if (n < 0) return OPJ_FALSE;
  if (std::size_t(n) > w->out->size()) w->out->resize(std::size_t(n));
  w->at = std::size_t(n);
  return OPJ_TRUE;
}

void quiet(const char*, void*) {}

// Owns what an encoding made.
struct Encoding {
  opj_codec_t* codec = nullptr;
  opj_stream_t* stream = nullptr;
  opj_image_t* image = nullptr;
  ~Encoding() {
    if (stream) opj_stream_destroy(stream);
    if (codec) opj_destroy_codec(codec);
    if (image) opj_image_destroy(image);
  }
};

}  // namespace

std::vector<u8> testjpeg2000(i32 w, i32 h, const std::vector<u32>& argb) {
  std::vector<u8> out;
  if (w <= 0 || h <= 0 || argb.size() != std::size_t(w) * std::size_t(h)) return out;
  opj_image_cmptparm_t comps[4];
  std::memset(comps, 0, sizeof comps);
  for (opj_image_cmptparm_t& c : comps) {
    c.dx = c.dy = 1;
    c.w = OPJ_UINT32(w);
    c.h = OPJ_UINT32(h);
    c.prec = 8;
    c.sgnd = 0;
  }
  Encoding e;
  e.image = opj_image_create(4, comps, OPJ_CLRSPC_SRGB);
  if (e.image == nullptr) return out;
  e.image->x1 = OPJ_UINT32(w);
  e.image->y1 = OPJ_UINT32(h);
  e.image->comps[3].alpha = 1;
  for (std::size_t i = 0; i < argb.size(); ++i) {
    e.image->comps[0].data[i] = OPJ_INT32(argb[i] >> 16 & 0xFF);
    e.image->comps[1].data[i] = OPJ_INT32(argb[i] >> 8 & 0xFF);
    e.image->comps[2].data[i] = OPJ_INT32(argb[i] & 0xFF);
    e.image->comps[3].data[i] = OPJ_INT32(argb[i] >> 24);
  }
  opj_cparameters_t params;
  opj_set_default_encoder_parameters(&params);
  params.tcp_numlayers = 1;
  params.tcp_rates[0] = 0;  // lossless
  params.cp_disto_alloc = 1;
  params.numresolution = 1;
  while (params.numresolution < 4 && (w >> params.numresolution) > 0 && (h >> params.numresolution) > 0)
    ++params.numresolution;
  e.codec = opj_create_compress(OPJ_CODEC_JP2);
  if (e.codec == nullptr) return out;
  opj_set_info_handler(e.codec, quiet, nullptr);
  opj_set_warning_handler(e.codec, quiet, nullptr);
  opj_set_error_handler(e.codec, quiet, nullptr);
  if (!opj_setup_encoder(e.codec, &params, e.image)) return out;
  e.stream = opj_stream_default_create(OPJ_FALSE);
  if (e.stream == nullptr) return out;
  Writer writer{&out, 0};
  opj_stream_set_user_data(e.stream, &writer, nullptr);
  opj_stream_set_write_function(e.stream, writebytes);
  opj_stream_set_skip_function(e.stream, skipbytes);
  opj_stream_set_seek_function(e.stream, seekbytes);
  if (!opj_start_compress(e.codec, e.image, e.stream) || !opj_encode(e.codec, e.stream) ||
      !opj_end_compress(e.codec, e.stream)) {
    out.clear();
  }
  return out;
}

}  // namespace kv
