// The command line's requests on the running instance: `--eval EXPR` evaluates an expression
// and `--do SCRIPT` runs each line of a script as a line typed into the message box runs, in
// the order given, as the evaluate and do-script requests run: in the current card's context
// when a project window is open (the projects named on the command line open first), else on
// an empty in-memory context.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace kv {

struct clirequest {
  bool evaluate;     // --eval (true) or --do (false)
  std::string text;  // UTF-8, as given
};

// Runs the requests in order; the first failure ends the run. `out` collects what --eval
// prints (each value, and a line feed) and, when a --do changed the message box and no --eval
// came after it, the box's text last; `err` a failure ("Veltrix Error Number N: text") that
// the error alert did not report already. Texts are UTF-8 with a line feed for each return.
// Answers the exit status: 0, or 1 after a failure.
int runrequests(const std::vector<clirequest>& requests, std::string* out, std::string* err);

// "Veltrix Error Number N: text" and a line feed: how the command line reports a failure.
std::string failuretext(i16 status);

// Opens the first window of the project at a path (UTF-8; one relative to the current folder
// is made full) at its first card, as the open-documents request opens it; with `shared`, a project opened here becomes the shared
// project. 0, or the status of opening.
i16 openprojectpath(std::string_view path, u16 shared = 0);
// Takes every open window down, writing its records back (the end of a run).
void closeallwindows();
// What the message box holds, as UTF-8 with a line feed for each return; once the global state
// is released (a quit), what it held then.
std::string messageboxtext();
// Keeps the message box's text for messageboxtext() past the release of the global state.
void keepmessageboxtext();
// A Mac Roman text as the program prints it: UTF-8, a line feed for each return.
std::string printabletext(std::string_view macroman);

// Evaluates a Mac Roman expression text as the evaluate request does: status 19 when words
// are left after the expression, 2 when the text is a single word that is no variable, 0 and
// the empty text for an empty text.
i16 evaluatetext(std::string_view text, std::string* value);
// Runs each line of a Mac Roman script text as a line typed into the message box runs
// (shell/messagebox.h); the first failure's status, which ends the text.
i16 doscripttext(std::string_view text);

}  // namespace kv
