// The recognition module's table (built into kvmod_recognition.so only).
#include "platform/speech/recognitionmodule.h"

KV_MODULE_DEFINE_TABLE(RecognitionModule, kvmod_recognition, KV_RECOGNITION_ENTRIES)
