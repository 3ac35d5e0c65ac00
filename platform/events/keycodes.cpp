#include "platform/events/keycodes.h"

#include <cstring>
#include <strings.h>

#include "platform/events/eventrecord.h"

namespace kv {

namespace {

struct KeyChars {
  u8 plain;
  u8 shifted;
};

// Key code -> the characters it types on the US keyboard (0: none).
constexpr KeyChars kKeys[128] = {
    /*00*/ {'a', 'A'}, {'s', 'S'}, {'d', 'D'},  {'f', 'F'}, {'h', 'H'}, {'g', 'G'}, {'z', 'Z'}, {'x', 'X'},
    /*08*/ {'c', 'C'}, {'v', 'V'}, {0, 0},      {'b', 'B'}, {'q', 'Q'}, {'w', 'W'}, {'e', 'E'}, {'r', 'R'},
    /*10*/ {'y', 'Y'}, {'t', 'T'}, {'1', '!'},  {'2', '@'}, {'3', '#'}, {'4', '$'}, {'6', '^'}, {'5', '%'},
    /*18*/ {'=', '+'}, {'9', '('}, {'7', '&'},  {'-', '_'}, {'8', '*'}, {'0', ')'}, {']', '}'}, {'o', 'O'},
    /*20*/ {'u', 'U'}, {'[', '{'}, {'i', 'I'},  {'p', 'P'}, {13, 13},   {'l', 'L'}, {'j', 'J'}, {'\'', '"'},
    /*28*/ {'k', 'K'}, {';', ':'}, {'\\', '|'}, {',', '<'}, {'/', '?'}, {'n', 'N'}, {'m', 'M'}, {'.', '>'},
    /*30*/ {9, 9},     {' ', ' '}, {'`', '~'},  {8, 8},     {0, 0},     {27, 27},   {0, 0},     {0, 0},
    /*38*/ {0, 0},     {0, 0},     {0, 0},      {0, 0},     {0, 0},     {0, 0},     {0, 0},     {0, 0},
    /*40*/ {0, 0},     {'.', '.'}, {0, 0},      {'*', '*'}, {0, 0},     {'+', '+'}, {0, 0},     {27, 27},
    /*48*/ {0, 0},     {0, 0},     {0, 0},      {'/', '/'}, {3, 3},     {0, 0},     {'-', '-'}, {0, 0},
    /*50*/ {0, 0},     {'=', '='}, {'0', '0'},  {'1', '1'}, {'2', '2'}, {'3', '3'}, {'4', '4'}, {'5', '5'},
    /*58*/ {'6', '6'}, {'7', '7'}, {0, 0},      {'8', '8'}, {'9', '9'}, {0, 0},     {0, 0},     {0, 0},
    /*60*/ {16, 16},   {16, 16},   {16, 16},    {16, 16},   {16, 16},   {16, 16},   {0, 0},     {16, 16},
    /*68*/ {0, 0},     {16, 16},   {0, 0},      {16, 16},   {0, 0},     {16, 16},   {0, 0},     {16, 16},
    /*70*/ {0, 0},     {16, 16},   {5, 5},      {1, 1},     {11, 11},   {127, 127}, {16, 16},   {4, 4},
    /*78*/ {16, 16},   {12, 12},   {16, 16},    {28, 28},   {29, 29},   {31, 31},   {30, 30},   {0, 0},
};

struct NamedKey {
  const char* name;
  u8 code;
};
constexpr NamedKey kNamed[] = {
    {"return", 0x24},    {"tab", 0x30},      {"space", 0x31},   {"delete", 0x33},
    {"backspace", 0x33}, {"escape", 0x35},   {"esc", 0x35},     {"enter", 0x4C},
    {"help", 0x72},      {"home", 0x73},     {"pageup", 0x74},  {"forwarddelete", 0x75},
    {"end", 0x77},       {"pagedown", 0x79}, {"left", 0x7B},    {"right", 0x7C},
    {"down", 0x7D},      {"up", 0x7E},       {"command", 0x37}, {"shift", 0x38},
    {"capslock", 0x39},  {"option", 0x3A},   {"control", 0x3B}, {"f1", 0x7A},
    {"f2", 0x78},        {"f3", 0x63},       {"f4", 0x76},      {"f5", 0x60},
    {"f6", 0x61},        {"f7", 0x62},       {"f8", 0x64},      {"f9", 0x65},
    {"f10", 0x6D},       {"f11", 0x67},      {"f12", 0x6F},     {"f13", 0x69},
    {"f14", 0x6B},       {"f15", 0x71},
};

}  // namespace

KeyStroke keyforchar(u8 ch) {
  // The main keyboard first (keypad keys type the same characters).
  for (u8 code = 0; code < 0x40; ++code) {
    if (kKeys[code].plain == ch && ch != 0) return {code, false};
  }
  for (u8 code = 0; code < 0x40; ++code) {
    if (kKeys[code].shifted == ch && ch != 0) return {code, true};
  }
  for (u8 code = 0x40; code < 128; ++code) {
    if (kKeys[code].plain == ch && ch != 0 && ch != kFunctionKeyCharCode) return {code, false};
  }
  if (ch == kFunctionKeyCharCode) return {kVKF1, false};
  return {0xFF, false};
}

u8 charforkey(u8 keycode, u16 modifiers) {
  if (keycode >= 128) return 0;
  const KeyChars& k = kKeys[keycode];
  bool upper = (modifiers & shiftKey) != 0;
  if ((modifiers & alphaLock) && k.plain >= 'a' && k.plain <= 'z') upper = true;
  const u8 ch = upper ? k.shifted : k.plain;
  // The control key makes letters and @ [ \ ] ^ _ their control characters (control-A is 1).
  if ((modifiers & controlKey) && ((ch >= 0x40 && ch <= 0x5F) || (ch >= 'a' && ch <= 'z'))) return u8(ch & 0x1F);
  return ch;
}

u8 keycodenamed(const char* name) {
  if (std::strlen(name) == 1) {
    KeyStroke ks = keyforchar(u8(name[0]));
    return ks.keycode;
  }
  for (const NamedKey& n : kNamed)
    if (strcasecmp(n.name, name) == 0) return n.code;
  return 0xFF;
}

}  // namespace kv
