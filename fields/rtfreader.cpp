#include "fields/rtfreader.h"

#include <memory>

#include "fields/rtfparser.h"
#include "fields/rtfstreams.h"
#include "platform/memory/memory.h"

namespace kv {

namespace {

constexpr int16_t kNoLayoutFeature = 9;

// Runs one read: the stream is made by `open` once the parser exists. Only here are failures
// caught and turned into results.
template <class Open>
int32_t readrtf(int32_t start, int32_t end, WEReference we, const std::string* baseFolder, Open open) {
  const int16_t hadNoLayout = WEFeatureFlag(kNoLayoutFeature, 1, we);
  int32_t result = 0;
  try {
    RTFParser parser(we);
    std::unique_ptr<RTFInputStream> stream = open();
    if (baseFolder != nullptr) parser.SetBaseDirectory(*baseFolder);
    WESetSelection(start, end, we);
    parser.Parse(*stream);
  } catch (const RTFException& e) {
    result = e.code();
  } catch (...) {
    result = -1;
  }
  WEFeatureFlag(kNoLayoutFeature, hadNoLayout, we);
  if (hadNoLayout == 0) {
    const OSErr laid = WECalText(we);
    if (result == 0) result = laid;
  }
  return result;
}

}  // namespace

int32_t RTFReadFileCrutch(int32_t start, int32_t end, WEReference we, FileRef ref, const std::string* baseFolder) {
  return readrtf(start, end, we, baseFolder, [ref] { return std::make_unique<RTFFileInputStream>(ref, 0x10000); });
}

int32_t RTFReadHandleCrutch(int32_t start, int32_t end, WEReference we, Handle rtf) {
  const int32_t result = readrtf(start, end, we, nullptr, [rtf] { return std::make_unique<MyHandleStream>(rtf); });
  HUnlock(rtf);
  return result;
}

}  // namespace kv
