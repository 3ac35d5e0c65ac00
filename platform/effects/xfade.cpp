// Transitions drawn by FFmpeg's xfade filter (libavfilter). One filter graph serves the frames
// of one transition in order: xfade takes its progress from the frames' times (time base
// 1/count, one second long, so frame n stands at n / count), and the first frame a graph sees
// must stand at time 0. A frame asked for out of order, or of another transition, starts a new
// graph; the graph goes after the last frame.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
}

#include "platform/effects/effectsimpl.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

// Our pixels are xrgb host words: FFmpeg's native-endian 0RGB.
constexpr AVPixelFormat kHostFormat = AV_PIX_FMT_0RGB32;

struct XfadeRun {
  AVFilterGraph* graph = nullptr;
  AVFilterContext *a = nullptr, *b = nullptr, *sink = nullptr;
  std::string transition;
  i32 width = 0, height = 0, count = 0, last = -1;
  XfadeRun() = default;
  XfadeRun(const XfadeRun&) = delete;
  XfadeRun& operator=(const XfadeRun&) = delete;
  ~XfadeRun() { reset(); }
  void reset() {
    avfilter_graph_free(&graph);
    a = b = sink = nullptr;
    last = -1;
  }
  bool matches(const char* name, i32 w, i32 h, i32 n) const {
    return graph != nullptr && transition == name && width == w && height == h && count == n;
  }
};

XfadeRun& run() { return state<XfadeRun>(); }

bool source(XfadeRun& r, const char* name, AVFilterContext** out) {
  char args[160];
  std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=1/%d:frame_rate=%d/1:pixel_aspect=1/1",
                r.width, r.height, int(kHostFormat), r.count, r.count);
  return avfilter_graph_create_filter(out, avfilter_get_by_name("buffer"), name, args, nullptr, r.graph) >= 0;
}

AVFilterInOut* inout(const char* name, AVFilterContext* filter, AVFilterInOut* next) {
  AVFilterInOut* io = avfilter_inout_alloc();
  if (io == nullptr) return nullptr;
  io->name = av_strdup(name);
  io->filter_ctx = filter;
  io->pad_idx = 0;
  io->next = next;
  return io;
}

// Both sources go through planar RGB, which xfade blends exactly as given, and back.
bool build(XfadeRun& r, const char* name, i32 w, i32 h, i32 count) {
  r.reset();
  av_log_set_level(AV_LOG_QUIET);
  r.transition = name;
  r.width = w;
  r.height = h;
  r.count = count;
  r.graph = avfilter_graph_alloc();
  if (r.graph == nullptr) return false;
  r.graph->nb_threads = 1;
  if (!source(r, "a", &r.a) || !source(r, "b", &r.b) ||
      avfilter_graph_create_filter(&r.sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, r.graph) < 0) {
    r.reset();
    return false;
  }
  char desc[256];
  std::snprintf(desc, sizeof desc,
                "[a]format=gbrp[ga];[b]format=gbrp[gb];[ga][gb]xfade=transition=%s:duration=1:offset=0,format=%s[out]",
                name, av_get_pix_fmt_name(kHostFormat));
  AVFilterInOut* outputs = inout("a", r.a, inout("b", r.b, nullptr));
  AVFilterInOut* inputs = inout("out", r.sink, nullptr);
  const bool made = outputs != nullptr && inputs != nullptr &&
                    avfilter_graph_parse_ptr(r.graph, desc, &inputs, &outputs, nullptr) >= 0 &&
                    avfilter_graph_config(r.graph, nullptr) >= 0;
  avfilter_inout_free(&inputs);
  avfilter_inout_free(&outputs);
  if (!made) r.reset();
  return made;
}

bool push(AVFilterContext* src, const PixelsView& v, i32 pts) {
  AVFrame* f = av_frame_alloc();
  if (f == nullptr) return false;
  f->format = kHostFormat;
  f->width = v.width;
  f->height = v.height;
  bool ok = av_frame_get_buffer(f, 0) >= 0;
  if (ok) {
    for (i32 y = 0; y < v.height; ++y)
      std::memcpy(f->data[0] + std::ptrdiff_t(y) * f->linesize[0], v.pixels + std::ptrdiff_t(y) * v.rowwords,
                  std::size_t(v.width) * 4);
    f->pts = pts;
    ok = av_buffersrc_add_frame_flags(src, f, 0) >= 0;
  }
  av_frame_free(&f);
  return ok;
}

// The next frame out of the graph, into `out` when given.
bool pull(XfadeRun& r, const PixelsView* out) {
  AVFrame* f = av_frame_alloc();
  if (f == nullptr) return false;
  bool ok = av_buffersink_get_frame(r.sink, f) >= 0 && f->width == r.width && f->height == r.height &&
            f->format == kHostFormat;
  if (ok && out != nullptr)
    for (i32 y = 0; y < r.height; ++y)
      std::memcpy(out->pixels + std::ptrdiff_t(y) * out->rowwords, f->data[0] + std::ptrdiff_t(y) * f->linesize[0],
                  std::size_t(r.width) * 4);
  av_frame_free(&f);
  return ok;
}

}  // namespace

bool xfadeframe(const char* transition, const PixelsView& a, const PixelsView& b, const PixelsView& out, i32 frame,
                i32 count) {
  XfadeRun& r = run();
  const i32 w = out.width, h = out.height;
  if (!r.matches(transition, w, h, count) || frame <= r.last) {
    if (!build(r, transition, w, h, count)) return false;
    if (frame > 0 && !(push(r.a, a, 0) && push(r.b, b, 0) && pull(r, nullptr))) {
      r.reset();
      return false;
    }
  }
  const bool ok = push(r.a, a, frame) && push(r.b, b, frame) && pull(r, &out);
  r.last = frame;
  if (!ok || frame >= count) r.reset();
  return ok;
}

void xfadedone() { run().reset(); }

}  // namespace kv
