// Movies over FFmpeg: opening a file, its frame index, decoding the frame due, the movie clock
// on the tick clock, drawing through box, matrix and clip, sound at rate 1.0 and time callbacks.
#include "platform/movies/movies.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/events/events.h"
#include "platform/files/files.h"
#include "platform/qd/copybits.h"
#include "platform/qd/masks.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "platform/sound/channels.h"
#include "platform/sound/mixer.h"
#include "platform/text/macroman.h"

namespace kv {
namespace {

struct MovieData {
  std::string path;
  AVFormatContext* fmt = nullptr;
  AVCodecContext* vdec = nullptr;
  AVPacket* pkt = nullptr;
  AVFrame* frame = nullptr;
  SwsContext* sws = nullptr;
  int vstream = -1, astream = -1;
  AVRational tb{1, 600};  // the movie's time base
  i32 width = 0, height = 0;
  std::vector<i64> rawpts;  // video frames' stream times, ascending
  std::vector<i64> pts;     // the same in movie time
  std::vector<u8> key;      // key frame flags
  i32 shown = -1;           // frame index held in `world`
  i32 next = -1;            // frame index the decoder yields next (-1: seek first)
  i64 decoded = 0;
  GWorldPtr world = nilid;  // the frame's pixels (32 bits)
  TimeScale scale = 600;
  TimeValue duration = 0, time = 0, poster = 0;
  Fixed rate = 0, preferred = fixed1;
  TimeValue segstart = 0, segdur = -1, selstart = 0, seldur = 0;
  bool done = false, looping = false, palindrome = false;
  Rect box{};
  MatrixRecord matrix{};
  RgnHandle clip = nilid;
  CGrafPtr port = nilid;
  u32 lasttick = 0;
  i64 acc = 0;
  i16 volume = 256;
  TimeValue cbtime = 0;
  MovieCallBackProc cbproc = nullptr;
  i32 cbref = 0;
  std::vector<i16> pcm;  // the sound at the output rate, stereo (decoded when first played)
  bool pcmread = false;
  RegistryId channel = nilid;

  ~MovieData() {
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&vdec);
    avformat_close_input(&fmt);
  }
};

struct MovieState {
  Registry<MovieData, RegType::movie> movies;
  OSErr lasterr = noErr;
};

MovieState& ms() { return state<MovieState>(); }

MovieData* get(Movie m) {
  MovieData* d = ms().movies.get(m);
  ms().lasterr = d ? OSErr(noErr) : OSErr(invalidMovie);
  return d;
}

// A port's whole pixel map record, which CopyBits reads past the bit map fields.
PixMap bitsof(CGrafPtr port) { return pixmaprecord(GetPortPixMap(port)); }
const BitMap* asbits(const PixMap& pm) { return reinterpret_cast<const BitMap*>(&pm); }

bool isidentity(const MatrixRecord& m) {
  MatrixRecord id;
  SetIdentityMatrix(&id);
  return std::memcmp(&m, &id, sizeof m) == 0;
}

TimeValue segend(const MovieData& d) { return d.segdur < 0 ? d.duration : d.segstart + d.segdur; }
TimeValue segbegin(const MovieData& d) { return d.segdur < 0 ? 0 : d.segstart; }

// Reads every packet once for the video frames' times and key flags; the duration follows.
void buildindex(MovieData& d) {
  AVStream* vs = d.vstream >= 0 ? d.fmt->streams[d.vstream] : nullptr;
  i64 end = 0;
  struct F {
    i64 t;
    bool key;
  };
  std::vector<F> frames;
  while (av_read_frame(d.fmt, d.pkt) >= 0) {
    AVStream* s = d.fmt->streams[d.pkt->stream_index];
    i64 t = d.pkt->pts != AV_NOPTS_VALUE ? d.pkt->pts : d.pkt->dts;
    if (t != AV_NOPTS_VALUE && (d.pkt->stream_index == d.vstream || d.pkt->stream_index == d.astream))
      end = std::max(end, av_rescale_q(t + std::max<i64>(d.pkt->duration, 0), s->time_base, d.tb));
    if (vs && d.pkt->stream_index == d.vstream && t != AV_NOPTS_VALUE)
      frames.push_back({t, (d.pkt->flags & AV_PKT_FLAG_KEY) != 0});
    av_packet_unref(d.pkt);
  }
  for (int i : {d.vstream, d.astream})
    if (i >= 0 && d.fmt->streams[i]->duration > 0)
      end = std::max(end, av_rescale_q(d.fmt->streams[i]->duration, d.fmt->streams[i]->time_base, d.tb));
  std::sort(frames.begin(), frames.end(), [](const F& a, const F& b) { return a.t < b.t; });
  for (const F& f : frames) {
    d.rawpts.push_back(f.t);
    d.pts.push_back(av_rescale_q(f.t, vs->time_base, d.tb));
    d.key.push_back(f.key);
  }
  if (!d.key.empty()) d.key[0] = 1;
  d.duration = TimeValue(std::min<i64>(end, 0x7FFFFFFF));
}

// Converts the decoder's frame into the movie's pixels.
void takeframe(MovieData& d) {
  d.sws = sws_getCachedContext(d.sws, d.frame->width, d.frame->height, AVPixelFormat(d.frame->format), d.width,
                               d.height, AV_PIX_FMT_0RGB32, SWS_POINT, nullptr, nullptr, nullptr);
  if (!d.sws) return;
  PixMapHandle pm = GetGWorldPixMap(d.world);
  u8* dst[4] = {reinterpret_cast<u8*>(GetPixBaseAddr(pm)), nullptr, nullptr, nullptr};
  int stride[4] = {GetPixRowBytes(pm), 0, 0, 0};
  sws_scale(d.sws, d.frame->data, d.frame->linesize, 0, d.frame->height, dst, stride);
}

// Decodes frame `i` into the pixels: on from the decoder's place when it lies at or before `i`
// with no key frame between, else from the key frame at or before `i`.
void decodeframe(MovieData& d, i32 i) {
  if (i == d.shown || !d.vdec) return;
  i32 k = i;
  while (k > 0 && !d.key[k]) --k;
  if (d.next < 0 || i < d.next || k > d.next) {
    av_seek_frame(d.fmt, d.vstream, d.rawpts[k], AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(d.vdec);
    d.next = k;
  }
  bool flushed = false;
  for (;;) {
    int r = avcodec_receive_frame(d.vdec, d.frame);
    if (r == 0) {
      i64 t = d.frame->best_effort_timestamp != AV_NOPTS_VALUE ? d.frame->best_effort_timestamp : d.frame->pts;
      i32 idx = i32(std::upper_bound(d.rawpts.begin(), d.rawpts.end(), t) - d.rawpts.begin()) - 1;
      ++d.decoded;
      if (idx >= i || flushed) {
        takeframe(d);
        d.shown = i;
        d.next = std::max(idx, i) + 1;
        av_frame_unref(d.frame);
        return;
      }
      av_frame_unref(d.frame);
      continue;
    }
    if (r == AVERROR_EOF || flushed) break;
    if (av_read_frame(d.fmt, d.pkt) < 0) {
      avcodec_send_packet(d.vdec, nullptr);
      flushed = true;
      continue;
    }
    if (d.pkt->stream_index == d.vstream) avcodec_send_packet(d.vdec, d.pkt);
    av_packet_unref(d.pkt);
  }
  d.next = -1;
}

i32 frameat(const MovieData& d, TimeValue t) {
  i32 i = i32(std::upper_bound(d.pts.begin(), d.pts.end(), i64(t)) - d.pts.begin()) - 1;
  return std::max(i, 0);
}

// The movie's pixels mapped through the matrix, affine or projective: each port pixel of the
// mapped box's bounds is taken back into the frame through the inverse; the pixels that land
// inside it make the mask.
void drawmapped(MovieData& d, const BitMap* dstbits, RgnHandle mask) {
  RealMatrix f = realmatrix(d.matrix);
  const double(&m)[3][3] = f.m;
  // The inverse by cofactors (a row vector [x y 1] times the matrix gives [X Y W]).
  double inv[3][3];
  inv[0][0] = m[1][1] * m[2][2] - m[1][2] * m[2][1];
  inv[0][1] = m[0][2] * m[2][1] - m[0][1] * m[2][2];
  inv[0][2] = m[0][1] * m[1][2] - m[0][2] * m[1][1];
  inv[1][0] = m[1][2] * m[2][0] - m[1][0] * m[2][2];
  inv[1][1] = m[0][0] * m[2][2] - m[0][2] * m[2][0];
  inv[1][2] = m[0][2] * m[1][0] - m[0][0] * m[1][2];
  inv[2][0] = m[1][0] * m[2][1] - m[1][1] * m[2][0];
  inv[2][1] = m[0][1] * m[2][0] - m[0][0] * m[2][1];
  inv[2][2] = m[0][0] * m[1][1] - m[0][1] * m[1][0];
  double det = m[0][0] * inv[0][0] + m[0][1] * inv[1][0] + m[0][2] * inv[2][0];
  if (std::fabs(det) < 1e-12) return;
  i32 bw = d.box.right - d.box.left, bh = d.box.bottom - d.box.top;
  Point pts[4] = {{0, 0}, {0, i16(bw)}, {i16(bh), 0}, {i16(bh), i16(bw)}};
  TransformPoints(&d.matrix, pts, 4);
  Rect r{pts[0].v, pts[0].h, pts[0].v, pts[0].h};
  for (const Point& p : pts) {
    r.top = std::min(r.top, p.v), r.left = std::min(r.left, p.h);
    r.bottom = std::max(r.bottom, p.v), r.right = std::max(r.right, p.h);
  }
  if (EmptyRect(&r)) return;
  GWorldPtr tmp = nilid, masks = nilid;
  Rect local{0, 0, i16(r.bottom - r.top), i16(r.right - r.left)};
  if (NewGWorld(&tmp, 32, &local, nilhandle, nilhandle, 0) != noErr) return;
  if (NewGWorld(&masks, 1, &local, nilhandle, nilhandle, 0) != noErr) {
    DisposeGWorld(tmp);
    return;
  }
  PixMapHandle spm = GetGWorldPixMap(d.world), tpm = GetGWorldPixMap(tmp), mpm = GetGWorldPixMap(masks);
  const u8* src = reinterpret_cast<const u8*>(GetPixBaseAddr(spm));
  u8* out = reinterpret_cast<u8*>(GetPixBaseAddr(tpm));
  u8* mbits = reinterpret_cast<u8*>(GetPixBaseAddr(mpm));
  i32 srow = GetPixRowBytes(spm), trow = GetPixRowBytes(tpm), mrow = GetPixRowBytes(mpm);
  for (i32 y = 0; y < local.bottom; ++y) {
    std::memset(mbits + y * mrow, 0, std::size_t(mrow));
    for (i32 x = 0; x < local.right; ++x) {
      double px = x + r.left + 0.5, py = y + r.top + 0.5;
      double sw = px * inv[0][2] + py * inv[1][2] + inv[2][2];
      if (std::fabs(sw) < 1e-12) continue;
      double ux = (px * inv[0][0] + py * inv[1][0] + inv[2][0]) / sw;
      double uy = (px * inv[0][1] + py * inv[1][1] + inv[2][1]) / sw;
      if (ux < 0 || uy < 0 || ux >= bw || uy >= bh) continue;
      i32 fx = i32(ux * d.width / bw), fy = i32(uy * d.height / bh);
      std::memcpy(out + y * trow + x * 4, src + fy * srow + fx * 4, 4);
      mbits[y * mrow + x / 8] |= u8(0x80 >> (x % 8));
    }
  }
  RgnHandle shape = NewRgn();
  PixMap mb = bitsof(masks);
  BitMapToRegion(shape, asbits(mb));
  OffsetRgn(shape, r.left, r.top);
  if (mask != nilid) SectRgn(shape, mask, shape);
  PixMap tb = bitsof(tmp);
  CopyBits(asbits(tb), dstbits, &local, &r, srcCopy, shape);
  DisposeRgn(shape);
  DisposeGWorld(masks);
  DisposeGWorld(tmp);
}

void draw(MovieData& d) {
  if (d.port == nilid || !IsValidPort(d.port) || d.vstream < 0 || d.pts.empty()) return;
  decodeframe(d, frameat(d, d.time));
  if (d.shown < 0 || EmptyRect(&d.box)) return;
  if (d.clip != nilid && EmptyRgn(d.clip)) return;
  CGrafPtr old = nilid;
  GetPort(&old);
  SetPort(d.port);
  PixMap dst = bitsof(d.port);
  if (isidentity(d.matrix)) {
    PixMap src = bitsof(d.world);
    Rect fr{0, 0, i16(d.height), i16(d.width)};
    CopyBits(asbits(src), asbits(dst), &fr, &d.box, srcCopy, d.clip);
  } else {
    drawmapped(d, asbits(dst), d.clip);
  }
  SetPort(old);
}

// Decodes the whole first audio stream to the output rate, stereo 16 bits.
void readsound(MovieData& d) {
  d.pcmread = true;
  if (d.astream < 0) return;
  AVStream* as = d.fmt->streams[d.astream];
  const AVCodec* codec = avcodec_find_decoder(as->codecpar->codec_id);
  if (!codec) return;
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  SwrContext* swr = nullptr;
  AVFrame* f = av_frame_alloc();
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  if (ctx && f && avcodec_parameters_to_context(ctx, as->codecpar) >= 0 && avcodec_open2(ctx, codec, nullptr) >= 0) {
    av_seek_frame(d.fmt, d.astream, 0, AVSEEK_FLAG_BACKWARD);
    bool eof = false;
    for (;;) {
      int r = avcodec_receive_frame(ctx, f);
      if (r == 0) {
        if (!swr) {
          if (swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_S16, kOutputRate, &f->ch_layout,
                                  AVSampleFormat(f->format), f->sample_rate, 0, nullptr) < 0 ||
              swr_init(swr) < 0)
            break;
        }
        int room = swr_get_out_samples(swr, f->nb_samples);
        std::size_t at = d.pcm.size();
        d.pcm.resize(at + std::size_t(room) * 2);
        u8* outp[1] = {reinterpret_cast<u8*>(d.pcm.data() + at)};
        int got = swr_convert(swr, outp, room, const_cast<const u8**>(f->extended_data), f->nb_samples);
        d.pcm.resize(at + std::size_t(std::max(got, 0)) * 2);
        av_frame_unref(f);
        continue;
      }
      if (r == AVERROR_EOF || (r != AVERROR(EAGAIN))) break;
      if (eof) break;
      if (av_read_frame(d.fmt, d.pkt) < 0) {
        avcodec_send_packet(ctx, nullptr);
        eof = true;
        continue;
      }
      if (d.pkt->stream_index == d.astream) avcodec_send_packet(ctx, d.pkt);
      av_packet_unref(d.pkt);
    }
  }
  swr_free(&swr);
  av_frame_free(&f);
  avcodec_free_context(&ctx);
  d.next = -1;  // the demuxer moved
}

void stopsound(MovieData& d) {
  if (d.channel == nilid) return;
  SndDisposeChannel(d.channel, true);
  d.channel = nilid;
}

// Sound plays only at rate 1.0 and an audible volume, from the movie's time to the segment end.
void startsound(MovieData& d) {
  stopsound(d);
  if (d.rate != fixed1 || d.volume <= 0 || d.astream < 0) return;
  if (!d.pcmread) readsound(d);
  i64 from = i64(d.time) * kOutputRate / std::max(d.scale, 1);
  i64 to = std::min<i64>(i64(segend(d)) * kOutputRate / std::max(d.scale, 1), i64(d.pcm.size() / 2));
  if (to <= from) return;
  if (SndNewChannel(&d.channel, sampledSynth) != noErr) return;
  i64 frames = to - from;
  std::vector<u8> block(64 + std::size_t(frames) * 4);
  extsoundheader h{};
  h.numChannels = 2;
  h.sampleRate = u32(kOutputRate) << 16;
  h.encode = extSH;
  h.baseFrequency = 60;
  h.numFrames = u32(frames);
  h.sampleSize = 16;
  std::memcpy(block.data(), &h, 64);
  const i16* s = d.pcm.data() + from * 2;
  for (i64 i = 0; i < frames * 2; ++i) {
    i32 v = i32(s[i]) * std::min<i32>(d.volume, 256) / 256;
    std::memcpy(block.data() + 64 + i * 2, &v, 2);
  }
  SampledSound snd{block.data(), Size(block.size())};
  SndDoCommand(d.channel, SndCommand{bufferCmd, 0, 0}, &snd);
}

void setrate(MovieData& d, Fixed rate) {
  d.rate = rate;
  d.lasttick = TickCount();
  d.acc = 0;
  if (rate != 0) d.done = false;
  startsound(d);
}

// Moves the clock to now: the segment's ends stop the movie, or wrap it while it loops.
void advance(MovieData& d, Movie id) {
  u32 now = TickCount();
  u32 elapsed = now - d.lasttick;
  d.lasttick = now;
  if (d.rate == 0 || elapsed == 0) return;
  TimeValue before = d.time;
  d.acc += i64(elapsed) * d.rate * d.scale;
  i64 step = d.acc / (60 * 65536);
  d.acc -= step * 60 * 65536;
  i64 t = i64(d.time) + step;
  i64 lo = segbegin(d), hi = segend(d), len = hi - lo;
  if (t >= hi || t < lo || (t == lo && d.rate < 0)) {
    if (!d.looping || len <= 0) {
      d.time = TimeValue(t >= hi ? hi : lo);
      d.done = true;
      d.rate = 0;
      stopsound(d);
    } else if (d.palindrome) {
      d.time = TimeValue(t >= hi ? hi - std::min(t - hi, len) : lo + std::min(lo - t, len));
      d.rate = -d.rate;
    } else {
      d.time = TimeValue(lo + (((t - lo) % len) + len) % len);
      if (d.rate == fixed1) startsound(d);
    }
  } else {
    d.time = TimeValue(t);
  }
  if (d.cbproc && ((before < d.cbtime && d.cbtime <= d.time) || (d.time <= d.cbtime && d.cbtime < before))) {
    // The callback sees the movie at its time; then the clock goes on to now, unless the
    // callback moved the movie itself.
    MovieCallBackProc p = d.cbproc;
    d.cbproc = nullptr;  // fires once; the owner re-arms
    TimeValue reached = d.time;
    d.time = d.cbtime;
    TimeValue at = d.cbtime;
    p(id, d.cbref);
    if (MovieData* again = ms().movies.get(id); again && again->time == at) again->time = reached;
  }
}

}  // namespace

OSErr GetMoviesError() { return ms().lasterr; }

OSErr NewMovieFromPath(std::string_view macromanpath, Movie* movie) {
  *movie = nilid;
  auto d = std::make_unique<MovieData>();
  d->path = macromantofilename(macromanpath);
  av_log_set_level(AV_LOG_QUIET);
  if (avformat_open_input(&d->fmt, d->path.c_str(), nullptr, nullptr) < 0) {
    CatInfo ci{};
    Str255 n{};
    n[0] = u8(std::min<std::size_t>(macromanpath.size(), 255));
    std::memcpy(n + 1, macromanpath.data(), n[0]);
    return ms().lasterr = HGetCatInfo(0, 0, n, &ci) == noErr ? OSErr(invalidDataRef) : OSErr(fnfErr);
  }
  if (avformat_find_stream_info(d->fmt, nullptr) < 0) return ms().lasterr = invalidDataRef;
  d->vstream = av_find_best_stream(d->fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  d->astream = av_find_best_stream(d->fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (d->vstream < 0 && d->astream < 0) return ms().lasterr = invalidDataRef;
  AVRational base = d->fmt->streams[d->vstream >= 0 ? d->vstream : d->astream]->time_base;
  d->tb = base.num == 1 && base.den > 0 ? base : AVRational{1, 600};
  d->scale = d->tb.den;
  d->pkt = av_packet_alloc();
  d->frame = av_frame_alloc();
  if (!d->pkt || !d->frame) return ms().lasterr = memFullErr;
  if (d->vstream >= 0) {
    AVCodecParameters* par = d->fmt->streams[d->vstream]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    d->width = par->width;
    d->height = par->height;
    if (!codec || d->width <= 0 || d->height <= 0 || d->width > 16384 || d->height > 16384)
      return ms().lasterr = badImageDescription;
    d->vdec = avcodec_alloc_context3(codec);
    if (!d->vdec || avcodec_parameters_to_context(d->vdec, par) < 0 || avcodec_open2(d->vdec, codec, nullptr) < 0)
      return ms().lasterr = badImageDescription;
    d->vdec->thread_count = 1;
  }
  buildindex(*d);
  if (d->vstream >= 0 && d->pts.empty()) return ms().lasterr = badImageDescription;
  if (d->vstream >= 0) {
    Rect fr{0, 0, i16(d->height), i16(d->width)};
    if (NewGWorld(&d->world, 32, &fr, nilhandle, nilhandle, 0) != noErr) return ms().lasterr = memFullErr;
    d->box = fr;
  }
  SetIdentityMatrix(&d->matrix);
  d->lasttick = TickCount();
  *movie = ms().movies.add(std::move(d));
  return ms().lasterr = *movie ? noErr : memFullErr;
}

void DisposeMovie(Movie movie) {
  MovieData* d = get(movie);
  if (!d) return;
  stopsound(*d);
  if (d->world) DisposeGWorld(d->world);
  if (d->clip) DisposeRgn(d->clip);
  ms().movies.remove(movie);
}

bool IsValidMovie(Movie movie) { return ms().movies.valid(movie); }
std::string_view moviepath(Movie movie) {
  MovieData* d = get(movie);
  return d ? std::string_view(d->path) : std::string_view();
}
std::size_t moviecount() { return hasstate<MovieState>() ? ms().movies.count() : 0; }

TimeScale GetMovieTimeScale(Movie movie) {
  MovieData* d = get(movie);
  return d ? d->scale : 0;
}
TimeValue GetMovieDuration(Movie movie) {
  MovieData* d = get(movie);
  return d ? d->duration : 0;
}
TimeValue GetMovieTime(Movie movie) {
  MovieData* d = get(movie);
  if (!d) return 0;
  advance(*d, movie);
  return d->time;
}
void SetMovieTimeValue(Movie movie, TimeValue t) {
  MovieData* d = get(movie);
  if (!d) return;
  d->time = std::clamp(t, 0, d->duration);
  d->done = false;
  d->lasttick = TickCount();
  d->acc = 0;
  if (d->channel) startsound(*d);
}
Fixed GetMovieRate(Movie movie) {
  MovieData* d = get(movie);
  if (!d) return 0;
  advance(*d, movie);
  return d->rate;
}
void SetMovieRate(Movie movie, Fixed rate) {
  if (MovieData* d = get(movie)) {
    advance(*d, movie);
    setrate(*d, rate);
  }
}
Fixed GetMoviePreferredRate(Movie movie) {
  MovieData* d = get(movie);
  return d ? d->preferred : 0;
}
void SetMoviePreferredRate(Movie movie, Fixed rate) {
  if (MovieData* d = get(movie)) d->preferred = rate;
}
void SetMovieActiveSegment(Movie movie, TimeValue start, TimeValue duration) {
  MovieData* d = get(movie);
  if (!d) return;
  d->segstart = std::clamp(start, 0, d->duration);
  d->segdur = duration < 0 ? -1 : std::min(duration, d->duration - d->segstart);
}
void GetMovieActiveSegment(Movie movie, TimeValue* start, TimeValue* duration) {
  MovieData* d = get(movie);
  *start = d && d->segdur >= 0 ? d->segstart : -1;
  *duration = d && d->segdur >= 0 ? d->segdur : -1;
}
void SetMovieSelection(Movie movie, TimeValue start, TimeValue duration) {
  if (MovieData* d = get(movie)) {
    d->selstart = start;
    d->seldur = duration;
  }
}
void GetMovieSelection(Movie movie, TimeValue* start, TimeValue* duration) {
  MovieData* d = get(movie);
  *start = d ? d->selstart : 0;
  *duration = d ? d->seldur : 0;
}
TimeValue GetMoviePosterTime(Movie movie) {
  MovieData* d = get(movie);
  return d ? d->poster : 0;
}
bool movieHasVideo(Movie movie) {
  MovieData* d = get(movie);
  return d && d->vstream >= 0;
}
bool movieHasSound(Movie movie) {
  MovieData* d = get(movie);
  return d && d->astream >= 0;
}

void GetMovieBox(Movie movie, Rect* box) {
  MovieData* d = get(movie);
  *box = d ? d->box : Rect{};
}
void SetMovieBox(Movie movie, const Rect* box) {
  if (MovieData* d = get(movie)) d->box = *box;
}
void GetMovieMatrix(Movie movie, MatrixRecord* m) {
  MovieData* d = get(movie);
  if (d) *m = d->matrix;
  else SetIdentityMatrix(m);
}
void SetMovieMatrix(Movie movie, const MatrixRecord* m) {
  if (MovieData* d = get(movie)) d->matrix = *m;
}
void SetMovieDisplayClipRgn(Movie movie, RgnHandle rgn) {
  MovieData* d = get(movie);
  if (!d) return;
  if (rgn == nilid || !IsValidRgn(rgn)) {
    if (d->clip) DisposeRgn(d->clip);
    d->clip = nilid;
    return;
  }
  if (!d->clip) d->clip = NewRgn();
  CopyRgn(rgn, d->clip);
}
RgnHandle GetMovieDisplayClipRgn(Movie movie) {
  MovieData* d = get(movie);
  if (!d || d->clip == nilid) return nilid;
  RgnHandle copy = NewRgn();
  CopyRgn(d->clip, copy);
  return copy;
}
void SetMovieGWorld(Movie movie, CGrafPtr port) {
  if (MovieData* d = get(movie)) d->port = port;
}
CGrafPtr GetMovieGWorld(Movie movie) {
  MovieData* d = get(movie);
  return d ? d->port : nilid;
}

OSErr PrerollMovie(Movie movie, TimeValue time, Fixed) {
  MovieData* d = get(movie);
  if (!d) return invalidMovie;
  if (!d->pts.empty()) decodeframe(*d, frameat(*d, std::clamp(time, 0, d->duration)));
  return ms().lasterr = noErr;
}
void StartMovie(Movie movie) {
  if (MovieData* d = get(movie)) setrate(*d, d->preferred);
}
void StopMovie(Movie movie) {
  if (MovieData* d = get(movie)) {
    advance(*d, movie);
    setrate(*d, 0);
  }
}
void GoToBeginningOfMovie(Movie movie) {
  if (MovieData* d = get(movie)) SetMovieTimeValue(movie, segbegin(*d));
}
void MoviesTask(Movie movie) {
  MovieData* d = get(movie);
  if (!d) return;
  i32 shownbefore = d->shown;
  advance(*d, movie);
  if (!(d = get(movie))) return;  // a callback disposed of it
  if (d->vstream >= 0 && (frameat(*d, d->time) != shownbefore || d->rate != 0)) draw(*d);
}
void UpdateMovie(Movie movie) {
  if (MovieData* d = get(movie)) draw(*d);
}
void ShowMoviePoster(Movie movie) {
  MovieData* d = get(movie);
  if (!d) return;
  d->time = std::clamp(d->poster, 0, d->duration);
  draw(*d);
}
bool IsMovieDone(Movie movie) {
  MovieData* d = get(movie);
  if (!d) return true;
  advance(*d, movie);
  return d->done;
}
void setmovielooping(Movie movie, bool looping, bool palindrome) {
  if (MovieData* d = get(movie)) {
    d->looping = looping;
    d->palindrome = palindrome;
  }
}
void SetMovieVolume(Movie movie, i16 volume) {
  MovieData* d = get(movie);
  if (!d) return;
  d->volume = volume;
  if (d->channel || volume > 0) startsound(*d);
}
i16 GetMovieVolume(Movie movie) {
  MovieData* d = get(movie);
  return d ? d->volume : 0;
}

PicHandle GetMoviePict(Movie movie, TimeValue time) {
  MovieData* d = get(movie);
  if (!d || d->pts.empty()) return nilhandle;
  decodeframe(*d, frameat(*d, std::clamp(time, 0, d->duration)));
  Rect frame = d->box;
  if (frame.left > frame.right) std::swap(frame.left, frame.right);
  if (frame.top > frame.bottom) std::swap(frame.top, frame.bottom);
  CGrafPtr old = nilid;
  GetPort(&old);
  SetPort(d->world);
  PicHandle pic = OpenPicture(&frame);
  PixMap src = bitsof(d->world);
  Rect fr{0, 0, i16(d->height), i16(d->width)};
  CopyBits(asbits(src), asbits(src), &fr, &frame, srcCopy, nilid);
  ClosePicture();
  SetPort(old);
  d->shown = -1;  // the copy may have drawn over the frame's pixels
  return pic;
}

OSErr armmoviecallback(Movie movie, TimeValue time, MovieCallBackProc proc, i32 refcon) {
  MovieData* d = get(movie);
  if (!d) return invalidMovie;
  d->cbtime = time;
  d->cbproc = proc;
  d->cbref = refcon;
  return noErr;
}
void cancelmoviecallback(Movie movie) {
  if (MovieData* d = get(movie)) d->cbproc = nullptr;
}

i64 moviedecodedframes(Movie movie) {
  MovieData* d = get(movie);
  return d ? d->decoded : 0;
}

bool moviefilefacts(std::string_view macromanpath, MovieFileFacts* facts) {
  std::string path = macromantofilename(macromanpath);
  AVFormatContext* fmt = nullptr;
  av_log_set_level(AV_LOG_QUIET);
  if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return false;
  bool ok = avformat_find_stream_info(fmt, nullptr) >= 0;
  int v = ok ? av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0) : -1;
  if (v >= 0) {
    AVStream* s = fmt->streams[v];
    facts->codec = avcodec_get_name(s->codecpar->codec_id);
    facts->timescale = s->time_base.num == 1 ? s->time_base.den : 0;
    facts->duration = s->duration;
    facts->samples = s->nb_frames;
    facts->width = s->codecpar->width;
    facts->height = s->codecpar->height;
  }
  avformat_close_input(&fmt);
  return v >= 0;
}

}  // namespace kv
