// Movie recording: QuickTime Animation frames written by libavcodec's "qtrle" encoder into a
// QuickTime file by libavformat's "mov" muxer.
#include "platform/movies/movierecorder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "platform/files/files.h"
#include "platform/qd/ports.h"
#include "platform/runtime/root.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"

namespace kv {
namespace {

struct RecorderData {
  std::string macroman;  // the file's path, to remove it when the recording is not kept
  AVFormatContext* fmt = nullptr;
  AVCodecContext* enc = nullptr;
  AVStream* stream = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* pkt = nullptr;
  SwsContext* sws = nullptr;
  bool opened = false;
  i32 width = 0, height = 0;
  i64 next = 0;  // the next frame's time
  ~RecorderData() {
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&enc);
    if (fmt && opened) avio_closep(&fmt->pb);
    avformat_free_context(fmt);
  }
};

struct RecorderState {
  Registry<RecorderData, RegType::movierecorder> recorders;
};

RecorderState& rs() { return state<RecorderState>(); }


// Writes every packet the encoder has ready, each lasting `duration`.
OSErr drain(RecorderData& d, i64 duration) {
  for (;;) {
    int r = avcodec_receive_packet(d.enc, d.pkt);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return noErr;
    if (r < 0) return badImageDescription;
    d.pkt->duration = duration;
    d.pkt->stream_index = d.stream->index;
    av_packet_rescale_ts(d.pkt, d.enc->time_base, d.stream->time_base);
    if (av_interleaved_write_frame(d.fmt, d.pkt) < 0) return ioErr;
  }
}

}  // namespace

OSErr NewMovieRecorder(std::string_view macromanpath, i32 width, i32 height, i16 depth, MovieRecorder* out) {
  *out = nilid;
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return paramErr;
  auto d = std::make_unique<RecorderData>();
  d->macroman = std::string(macromanpath);
  d->width = width;
  d->height = height;
  Str255 name;
  setpstring(name, macromanpath);
  HDelete(0, 0, name);
  if (HCreate(0, 0, name, fourcc("TVOD"), fourcc("MooV")) != noErr) return cantCreateSingleForkFile;
  std::string path = macromantofilename(macromanpath);
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_QTRLE);
  OSErr failed = cantCreateSingleForkFile;
  if (codec && avformat_alloc_output_context2(&d->fmt, nullptr, "mov", path.c_str()) >= 0) {
    d->stream = avformat_new_stream(d->fmt, nullptr);
    d->enc = avcodec_alloc_context3(codec);
    d->frame = av_frame_alloc();
    d->pkt = av_packet_alloc();
    if (d->stream && d->enc && d->frame && d->pkt) {
      d->enc->width = width;
      d->enc->height = height;
      d->enc->pix_fmt = depth == 16 ? AV_PIX_FMT_RGB555BE : AV_PIX_FMT_RGB24;
      d->enc->time_base = {1, 600};
      d->enc->gop_size = 12;
      AVDictionary* opts = nullptr;
      av_dict_set(&opts, "video_track_timescale", "600", 0);
      if (avcodec_open2(d->enc, codec, nullptr) >= 0 &&
          avcodec_parameters_from_context(d->stream->codecpar, d->enc) >= 0) {
        d->stream->time_base = {1, 600};
        if (avio_open(&d->fmt->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0) {
          d->opened = true;
          if (avformat_write_header(d->fmt, &opts) >= 0) failed = noErr;
        }
      }
      av_dict_free(&opts);
    }
  }
  if (failed != noErr) {
    d.reset();
    HDelete(0, 0, name);
    return failed;
  }
  *out = rs().recorders.add(std::move(d));
  return *out ? noErr : memFullErr;
}

OSErr AddMovieRecorderFrame(MovieRecorder r, GWorldPtr world, TimeValue duration) {
  RecorderData* d = rs().recorders.get(r);
  if (!d) return invalidMovie;
  PixMapHandle pm = GetGWorldPixMap(world);
  if (pm == nilid) return paramErr;
  Rect bounds = pixmaprecord(pm).bounds;
  if (bounds.right - bounds.left != d->width || bounds.bottom - bounds.top != d->height ||
      pixmaprecord(pm).pixelSize != 32)
    return paramErr;
  d->frame->format = d->enc->pix_fmt;
  d->frame->width = d->width;
  d->frame->height = d->height;
  if (av_frame_get_buffer(d->frame, 0) < 0) return memFullErr;
  d->sws = sws_getCachedContext(d->sws, d->width, d->height, AV_PIX_FMT_0RGB32, d->width, d->height, d->enc->pix_fmt,
                                SWS_POINT, nullptr, nullptr, nullptr);
  OSErr err = d->sws ? OSErr(noErr) : OSErr(memFullErr);
  if (err == noErr) {
    const u8* src[4] = {reinterpret_cast<const u8*>(GetPixBaseAddr(pm)), nullptr, nullptr, nullptr};
    int stride[4] = {GetPixRowBytes(pm), 0, 0, 0};
    sws_scale(d->sws, src, stride, 0, d->height, d->frame->data, d->frame->linesize);
    d->frame->pts = d->next;
    if (avcodec_send_frame(d->enc, d->frame) < 0) err = badImageDescription;
    else err = drain(*d, std::max<i64>(duration, 1));
    d->next += std::max<i64>(duration, 1);
  }
  av_frame_unref(d->frame);
  return err;
}

OSErr CloseMovieRecorder(MovieRecorder r, bool save) {
  RecorderData* d = rs().recorders.get(r);
  if (!d) return invalidMovie;
  OSErr err = noErr;
  if (save) {
    if (avcodec_send_frame(d->enc, nullptr) < 0 || drain(*d, 1) != noErr) err = ioErr;
    if (av_write_trailer(d->fmt) < 0) err = ioErr;
  }
  std::string macroman = d->macroman;
  rs().recorders.remove(r);
  if (!save || err != noErr) {
    Str255 name;
    setpstring(name, macroman);
    HDelete(0, 0, name);
  }
  return err;
}

std::size_t movierecordercount() { return hasstate<RecorderState>() ? rs().recorders.count() : 0; }

}  // namespace kv
