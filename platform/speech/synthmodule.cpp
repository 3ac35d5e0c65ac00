// The speech synthesis module's table (built into kvmod_speech.so only).
#include "platform/speech/synthmodule.h"

KV_MODULE_DEFINE_TABLE(SpeechModule, kvmod_speech, KV_SPEECH_ENTRIES)
