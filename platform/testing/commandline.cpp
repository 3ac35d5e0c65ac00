#include "platform/testing/commandline.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/backend/sdl2.h"
#include "platform/events/watchdog.h"
#include "platform/process/exit.h"
#include "platform/process/process.h"
#include "platform/runtime/root.h"
#include "platform/testing/answers.h"
#include "platform/testing/inputscript.h"
#include "platform/testing/transcript.h"
#include "platform/testing/windowdump.h"

namespace kv {

namespace {

struct DeferredInputState {
  std::string text;
};

struct RunState {
  bool headless = false;
};

bool readfile(const std::string& path, std::string* text, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = "cannot read " + path;
    return false;
  }
  std::ostringstream s;
  s << in.rdbuf();
  *text = s.str();
  return true;
}

bool screenspec(const char* s, PlatformOptions* o) {
  int w = 0, h = 0, d = 0;
  char tail = 0;
  if (std::sscanf(s, "%dx%dx%d%c", &w, &h, &d, &tail) != 3) return false;
  if (w < 64 || w > 8192 || h < 64 || h > 8192 || (d != 1 && d != 8 && d != 16 && d != 32)) return false;
  o->width = i16(w);
  o->height = i16(h);
  o->depth = i16(d);
  o->screengiven = true;
  return true;
}

}  // namespace

int takeplatformoption(int argc, char** argv, int i, PlatformOptions* o, std::string* error) {
  const char* a = argv[i];
  if (std::strcmp(a, "--headless") == 0) {
    o->headless = true;
    return 1;
  }
  const char* valued[] = {"--answers", "--input", "--transcript", "--dump-dir", "--screen", "--max-ticks"};
  for (const char* name : valued) {
    if (std::strcmp(a, name) != 0) continue;
    if (i + 1 >= argc) {
      if (error) *error = std::string(name) + " needs a value";
      return -1;
    }
    const char* v = argv[i + 1];
    if (std::strcmp(name, "--answers") == 0) o->answers = v;
    if (std::strcmp(name, "--input") == 0) o->input = v;
    if (std::strcmp(name, "--transcript") == 0) o->transcript = v;
    if (std::strcmp(name, "--dump-dir") == 0) o->dumpdir = v;
    if (std::strcmp(name, "--screen") == 0 && !screenspec(v, o)) {
      if (error) *error = "--screen takes WIDTHxHEIGHTxDEPTH with depth 1, 8, 16 or 32";
      return -1;
    }
    if (std::strcmp(name, "--max-ticks") == 0) {
      char* end = nullptr;
      unsigned long n = std::strtoul(v, &end, 10);
      if (!*v || *end || n == 0 || n > 0xFFFFFFFFul) {
        if (error) *error = "--max-ticks takes a positive number";
        return -1;
      }
      o->maxticks = u32(n);
    }
    return 2;
  }
  return 0;
}

bool startplatform(const PlatformOptions& o, std::string* error) {
  ScreenInfo screen;
  screen.bounds = Rect{0, 0, o.height, o.width};
  screen.depth = o.depth;
  std::string answers, input;
  if (!o.answers.empty() && !readfile(o.answers, &answers, error)) return false;
  if (!o.input.empty() && !readfile(o.input, &input, error)) return false;
  setbackend(openbackend(o.headless, screen, !o.screengiven));
  state<RunState>().headless = backend().headless();
  installquitsignals();
  settranscriptfile(o.transcript);
  if (!setdumpfolder(o.dumpdir, error)) return false;
  setunattendedpolicy(UnattendedPolicy::usedefault);
  if (!answers.empty() && !loadanswers(answers, error)) return false;
  if (o.deferinput) state<DeferredInputState>().text = input;
  else if (!input.empty() && !runinputscript(input, error)) return false;
  if (o.maxticks) setticklimit(o.maxticks);
  // The run begins: from here a script that runs 10 virtual minutes with no input is stuck.
  notepassbegins();
  return true;
}

bool startplatforminput(std::string* error) {
  std::string text = std::move(state<DeferredInputState>().text);
  state<DeferredInputState>().text.clear();
  return text.empty() || runinputscript(text, error);
}

bool headlessrun() { return hasstate<RunState>() && state<RunState>().headless; }

int finishplatform(int status) {
  status = endstatus(status);
  transcriptadd(TranscriptKind::exit, std::to_string(status));
  writeendofrun();
  return status;
}

}  // namespace kv
