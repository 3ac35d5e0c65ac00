// The answers queue of headless runs: what a person would do in the modal dialogs, one
// answer per line, in the order the dialogs come:
//   alert: Save                 the button named Save
//   ask: "Bob"                  the text typed (quotes optional; "" inside quotes is one ")
//   answer file: notes/a.txt    a file chosen
//   list: 2,5                   the items chosen
//   cancel:                     the dialog cancelled (Escape), in the dialogs that can be
// The part before the first ':' names the kind of dialog; blank lines and lines that start
// with '#' are skipped.
//
// A modal loop asks first for an answer of its kind. When none is queued and no input is
// left in the timeline, the unattended policy decides: fail (unit tests: the loop is reported
// by name through the process-exit hook) or take the dialog's default (smoke runs).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

struct Answer {
  std::string kind;        // lower case, single spaces: "alert", "answer file", ...
  std::string text;        // the value, unquoted, in Mac Roman
  std::vector<int> items;  // the value as numbers when it is a comma list of numbers
};

enum class UnattendedPolicy : unsigned char { fail, usedefault };

// Parses an answers text; false with a message naming the first bad line.
bool loadanswers(std::string_view text, std::string* error);
void queueanswer(const Answer& a);
std::size_t answerspending();
// Whether the next queued answer is of this kind (or "cancel", with `cancellable`).
bool answerwaiting(std::string_view kind, bool cancellable = false);
void clearanswers();

void setunattendedpolicy(UnattendedPolicy p);
UnattendedPolicy unattendedpolicy();

// Whether input is waiting that can drive a dialog: a press in the event queue or on the
// timeline (the releases of earlier presses do not count).
bool pressespending();

// How a modal loop starts.
enum class ModalStart : unsigned char {
  answered,    // an answer of the loop's kind was queued: *answer holds it
  run,         // run the loop on input (a live display, or input waiting in the timeline)
  usedefault,  // nobody is there: take the dialog's default
};
// `loopname` names the loop in the transcript and in a failure; `kind` is the answer kind it
// takes. With the fail policy and nothing to go on, this ends the run through the process-exit
// hook (it does not return). A loop that can be cancelled takes a "cancel" answer as well
// (answer->kind is then "cancel").
ModalStart beginmodal(std::string_view loopname, std::string_view kind, Answer* answer, bool cancellable = false);
// What a loop that input drove does once the input ran out with the loop still open: the
// queued answer of its kind, or the unattended policy (no transcript line of its own).
ModalStart takeanswer(std::string_view loopname, std::string_view kind, Answer* answer, bool cancellable = false);

}  // namespace kv
