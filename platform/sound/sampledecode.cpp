#include "platform/sound/sampledecode.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/sound/soundformat.h"

namespace kv {

namespace {

// The longest sound a channel takes: ten minutes at the output rate.
constexpr i64 kMaxFrames = i64(kOutputRate) * 600;

i64 packetbytes(SampleCodec c) {
  switch (c) {
    case SampleCodec::ima4: return 34;
    case SampleCodec::mace3: return 2;
    case SampleCodec::mace6: return 1;
    default: return 0;
  }
}
i64 packetframes(SampleCodec c) {
  switch (c) {
    case SampleCodec::ima4: return 64;
    case SampleCodec::mace3:
    case SampleCodec::mace6: return 6;
    default: return 1;
  }
}

// Stereo float frames at the source rate.
using Frames = std::vector<float>;

void appendframe(Frames& f, float l, float r) {
  f.push_back(l);
  f.push_back(r);
}

void readdirect(const SampledInfo& in, Frames& f) {
  f.reserve(std::size_t(in.frames) * 2);
  const u8* p = in.data;
  for (i64 i = 0; i < in.frames; ++i) {
    float s[2];
    for (i32 c = 0; c < in.channels; ++c) {
      if (in.codec == SampleCodec::offsetbinary8) {
        s[c] = float(i32(*p++) - 128) / 128.0f;
      } else {
        s[c] = float(i16(u16(p[0] << 8 | p[1]))) / 32768.0f;
        p += 2;
      }
    }
    appendframe(f, s[0], in.channels == 2 ? s[1] : s[0]);
  }
}

float samplefrom(const AVFrame* fr, int channel, int i) {
  switch (fr->format) {
    case AV_SAMPLE_FMT_S16P: return float(reinterpret_cast<const i16*>(fr->extended_data[channel])[i]) / 32768.0f;
    case AV_SAMPLE_FMT_S16:
      return float(reinterpret_cast<const i16*>(fr->extended_data[0])[i * fr->ch_layout.nb_channels + channel]) /
             32768.0f;
    case AV_SAMPLE_FMT_FLTP: return reinterpret_cast<const float*>(fr->extended_data[channel])[i];
    case AV_SAMPLE_FMT_FLT:
      return reinterpret_cast<const float*>(fr->extended_data[0])[i * fr->ch_layout.nb_channels + channel];
    default: return 0;
  }
}

bool decodecompressed(const SampledInfo& in, Frames& f) {
  AVCodecID id = in.codec == SampleCodec::ima4    ? AV_CODEC_ID_ADPCM_IMA_QT
                 : in.codec == SampleCodec::mace3 ? AV_CODEC_ID_MACE3
                                                  : AV_CODEC_ID_MACE6;
  av_log_set_level(AV_LOG_QUIET);  // the decoders' notes are no concern of the program's
  const AVCodec* codec = avcodec_find_decoder(id);
  if (codec == nullptr) return false;
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  AVPacket* pkt = av_packet_alloc();
  AVFrame* fr = av_frame_alloc();
  bool ok = ctx != nullptr && pkt != nullptr && fr != nullptr;
  if (ok) {
    av_channel_layout_default(&ctx->ch_layout, in.channels);
    ctx->sample_rate = std::max(1, int(std::lround(in.rate)));
    ctx->block_align = int(packetbytes(in.codec) * in.channels);
    ok = avcodec_open2(ctx, codec, nullptr) == 0;
  }
  // Whole packets, a few hundred at a time, each copy padded as the decoders ask.
  const i64 step = ctx != nullptr ? i64(ctx->block_align) * 256 : 0;
  std::vector<u8> chunk;
  for (i64 at = 0; ok && at < in.bytes; at += step) {
    i64 n = std::min(step, in.bytes - at);
    chunk.assign(std::size_t(n) + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    std::memcpy(chunk.data(), in.data + at, std::size_t(n));
    pkt->data = chunk.data();
    pkt->size = int(n);
    if (avcodec_send_packet(ctx, pkt) != 0) {
      ok = false;
      break;
    }
    while (avcodec_receive_frame(ctx, fr) == 0) {
      int ch = fr->ch_layout.nb_channels;
      for (int i = 0; i < fr->nb_samples; ++i) {
        float l = samplefrom(fr, 0, i);
        appendframe(f, l, ch > 1 ? samplefrom(fr, 1, i) : l);
      }
      av_frame_unref(fr);
    }
  }
  av_frame_free(&fr);
  av_packet_free(&pkt);
  avcodec_free_context(&ctx);
  return ok;
}

// Stereo frames from the source rate to the output rate, `want` of them.
bool resample(const Frames& in, double rate, i64 want, std::vector<float>& out) {
  i64 inframes = i64(in.size() / 2);
  int inrate = std::max(1, int(std::lround(rate)));
  if (inrate == kOutputRate) {
    out = in;
    out.resize(std::size_t(want) * 2, 0.0f);
    return true;
  }
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  SwrContext* swr = nullptr;
  if (swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_FLT, kOutputRate, &stereo, AV_SAMPLE_FMT_FLT, inrate, 0,
                          nullptr) != 0 ||
      swr_init(swr) != 0) {
    swr_free(&swr);
    return false;
  }
  out.assign(std::size_t(want + 64) * 2, 0.0f);
  const u8* src = reinterpret_cast<const u8*>(in.data());
  i64 got = 0;
  auto convert = [&](const u8** from, int count) {
    u8* dst = reinterpret_cast<u8*>(out.data() + 2 * got);
    int room = int(want + 64 - got);
    if (room <= 0) return 0;
    int n = swr_convert(swr, &dst, room, from, count);
    if (n > 0) got += n;
    return n;
  };
  bool ok = convert(&src, int(inframes)) >= 0;
  while (ok && got < want) {
    int n = convert(nullptr, 0);
    if (n <= 0) break;
  }
  swr_free(&swr);
  out.resize(std::size_t(want) * 2, 0.0f);
  return ok;
}

}  // namespace

OSErr readsampledheader(const u8* header, i64 length, SampledInfo* info) {
  *info = SampledInfo{};
  if (length < 22) return badFormat;
  i64 size = sndheadersize(header);
  if (size == 0 || length < size) return badFormat;
  i64 avail = length - size;
  SampledInfo in;
  in.data = header + size;
  if (header[20] == stdSH) {
    soundheader h = sndread<soundheader>(header);
    if (h.samplePtr != 0) return badFormat;
    in.frames = h.length;
    in.fixedrate = h.sampleRate;
    in.bytes = in.frames;
  } else if (header[20] == extSH) {
    extsoundheader h = sndread<extsoundheader>(header);
    if (h.samplePtr != 0 || h.numChannels < 1 || h.numChannels > 2) return badFormat;
    if (h.sampleSize != 8 && h.sampleSize != 16) return badFormat;
    in.codec = h.sampleSize == 8 ? SampleCodec::offsetbinary8 : SampleCodec::bigendian16;
    in.channels = i32(h.numChannels);
    in.frames = h.numFrames;
    in.fixedrate = h.sampleRate;
    in.bytes = in.frames * in.channels * (h.sampleSize / 8);
  } else {
    cmpsoundheader h = sndread<cmpsoundheader>(header);
    if (h.samplePtr != 0 || h.numChannels < 1 || h.numChannels > 2) return badFormat;
    u32 format = h.format;
    if (h.compressionID == threeToOne) format = fourcc("MAC3");
    else if (h.compressionID == sixToOne) format = fourcc("MAC6");
    else if (h.compressionID != fixedCompression && h.compressionID != variableCompression) return badFormat;
    if (format == fourcc("ima4")) in.codec = SampleCodec::ima4;
    else if (format == fourcc("MAC3")) in.codec = SampleCodec::mace3;
    else if (format == fourcc("MAC6")) in.codec = SampleCodec::mace6;
    else return badFormat;
    in.channels = i32(h.numChannels);
    in.frames = h.numFrames;
    in.fixedrate = h.sampleRate;
    in.bytes = in.frames * packetbytes(in.codec) * in.channels;
  }
  in.rate = double(in.fixedrate) / 65536.0;
  if (in.bytes > avail || in.rate < 1.0) return badFormat;
  double out = double(in.frames * packetframes(in.codec)) * kOutputRate / in.rate;
  if (out > double(kMaxFrames)) return badFormat;
  *info = in;
  return noErr;
}

OSErr decodesampled(const SampledInfo& info, std::shared_ptr<PcmSound>* out) {
  Frames frames;
  if (info.codec == SampleCodec::offsetbinary8 || info.codec == SampleCodec::bigendian16) readdirect(info, frames);
  else if (!decodecompressed(info, frames)) return badFormat;
  i64 want = i64(std::llround(double(frames.size() / 2) * kOutputRate / info.rate));
  auto pcm = std::make_shared<PcmSound>();
  if (!resample(frames, info.rate, want, pcm->samples)) return badFormat;
  *out = std::move(pcm);
  return noErr;
}

}  // namespace kv
