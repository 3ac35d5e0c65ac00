// The test movie maker: libavformat's QuickTime muxer with the QuickTime Animation encoder and
// big-endian PCM.
#include "platform/testing/testmovies.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <cmath>
#include <numbers>

namespace kv {
namespace {

// Owns what one write allocates.
struct Writer {
  AVFormatContext* fmt = nullptr;
  AVCodecContext* video = nullptr;
  AVCodecContext* audio = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* pkt = nullptr;
  bool opened = false;
  ~Writer() {
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    if (fmt && opened) avio_closep(&fmt->pb);
    avformat_free_context(fmt);
  }
  // Sends a frame (null: drain) and writes every packet that comes out.
  bool encode(AVCodecContext* ctx, AVStream* st, AVFrame* f) {
    if (avcodec_send_frame(ctx, f) < 0) return false;
    for (;;) {
      int r = avcodec_receive_packet(ctx, pkt);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
      if (r < 0) return false;
      if (pkt->duration == 0 && ctx->codec_type == AVMEDIA_TYPE_VIDEO) pkt->duration = 1;
      av_packet_rescale_ts(pkt, ctx->time_base, st->time_base);
      pkt->stream_index = st->index;
      if (av_interleaved_write_frame(fmt, pkt) < 0) return false;
    }
  }
};

}  // namespace

bool writetestmovie(const std::string& path, const TestMovie& m) {
  Writer w;
  if (avformat_alloc_output_context2(&w.fmt, nullptr, "mov", path.c_str()) < 0) return false;
  const AVCodec* vc = avcodec_find_encoder(AV_CODEC_ID_QTRLE);
  const AVCodec* ac = avcodec_find_encoder(AV_CODEC_ID_PCM_S16BE);
  if (!vc || !ac) return false;
  AVStream* vs = avformat_new_stream(w.fmt, nullptr);
  w.video = avcodec_alloc_context3(vc);
  w.frame = av_frame_alloc();
  w.pkt = av_packet_alloc();
  if (!vs || !w.video || !w.frame || !w.pkt) return false;
  w.video->width = m.width;
  w.video->height = m.height;
  w.video->pix_fmt = AV_PIX_FMT_RGB24;
  w.video->time_base = {1, m.fps};
  w.video->gop_size = 12;
  if (avcodec_open2(w.video, vc, nullptr) < 0 || avcodec_parameters_from_context(vs->codecpar, w.video) < 0)
    return false;
  vs->time_base = {1, 600};
  AVStream* as = nullptr;
  constexpr int kRate = 22050;
  if (m.sound) {
    as = avformat_new_stream(w.fmt, nullptr);
    w.audio = avcodec_alloc_context3(ac);
    if (!as || !w.audio) return false;
    w.audio->sample_fmt = AV_SAMPLE_FMT_S16;
    w.audio->sample_rate = kRate;
    w.audio->ch_layout = AV_CHANNEL_LAYOUT_MONO;
    w.audio->time_base = {1, kRate};
    if (avcodec_open2(w.audio, ac, nullptr) < 0 || avcodec_parameters_from_context(as->codecpar, w.audio) < 0)
      return false;
    as->time_base = {1, kRate};
  }
  AVDictionary* opts = nullptr;
  av_dict_set(&opts, "video_track_timescale", "600", 0);
  if (avio_open(&w.fmt->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) {
    av_dict_free(&opts);
    return false;
  }
  w.opened = true;
  int hr = avformat_write_header(w.fmt, &opts);
  av_dict_free(&opts);
  if (hr < 0) return false;
  for (i32 k = 0; k < m.frames; ++k) {
    w.frame->format = AV_PIX_FMT_RGB24;
    w.frame->width = m.width;
    w.frame->height = m.height;
    if (av_frame_get_buffer(w.frame, 0) < 0) return false;
    for (i32 y = 0; y < m.height; ++y)
      for (i32 x = 0; x < m.width; ++x) {
        u8* p = w.frame->data[0] + y * w.frame->linesize[0] + x * 3;
        p[0] = testmoviered(k), p[1] = 0, p[2] = 0;
      }
    w.frame->pts = k;
    bool ok = w.encode(w.video, vs, w.frame);
    av_frame_unref(w.frame);
    if (!ok) return false;
  }
  if (!w.encode(w.video, vs, nullptr)) return false;
  if (as) {
    i64 total = i64(m.frames) * kRate / m.fps;
    const int chunk = 1024;
    for (i64 at = 0; at < total; at += chunk) {
      int n = int(std::min<i64>(chunk, total - at));
      w.frame->format = AV_SAMPLE_FMT_S16;
      w.frame->sample_rate = kRate;
      w.frame->nb_samples = n;
      av_channel_layout_copy(&w.frame->ch_layout, &w.audio->ch_layout);
      if (av_frame_get_buffer(w.frame, 0) < 0) return false;
      auto* s = reinterpret_cast<i16*>(w.frame->data[0]);
      for (int i = 0; i < n; ++i)
        s[i] = i16(12000 * std::sin(2 * std::numbers::pi * m.sinehz * double(at + i) / kRate));
      w.frame->pts = at;
      bool ok = w.encode(w.audio, as, w.frame);
      av_frame_unref(w.frame);
      if (!ok) return false;
    }
    if (!w.encode(w.audio, as, nullptr)) return false;
  }
  return av_write_trailer(w.fmt) >= 0;
}

}  // namespace kv
