#include "platform/text/intl.h"

#include "platform/runtime/root.h"

namespace kv {

namespace {
struct IntlState {
  IntlSettings settings;
};
}  // namespace

IntlSettings& intlsettings() { return state<IntlState>().settings; }

}  // namespace kv
