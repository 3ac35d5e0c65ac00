// The dispatch of the callback requests of classic externals (see xcallback.h).
#include "system/xcallback.h"

#include "commands/define.h"
#include "platform/qd/ports.h"
#include "system/externalstate.h"
#include "system/xresources.h"
#include "system/xservices.h"

namespace kv {

void PxcmdRTcallback() {
  kv_paramblock& b = xstate().xcmd;
  GrafPtr port = nilid;
  GetPort(&port);
  b.result = 0;
  switch (i16(b.request)) {
    case 20: getfield(objectkey::name); break;
    case 21: getfield(objectkey::number); break;
    case 22: getfield(objectkey::id); break;
    case 23: pututility(objectkey::name); break;
    case 24: pututility(objectkey::number); break;
    case 25: pututility(objectkey::id); break;
    case 4500: getread(); break;
    case 4501: putread(); break;
    case 4503: installpdata(); break;
    case 5000: lowpix(objectkey::name); break;
    case 5001: lowpix(objectkey::id); break;
    case 5002: lowpix(objectkey::number); break;
    case 5003: addstarx(); break;
    case 5004: getstarx(true); break;
    case 5005: getstarx(false); break;
    case 5006: delstarx(true); break;
    case 5007: delstarx(false); break;
    case 5008: altstarx(true); break;
    case 5009: altstarx(false); break;
    case 5014: defineuprop(tokDefine); break;
    case 5015: defineuprop(tokUndefine); break;
    case 5016: getuprop(false); break;
    case 5017: setuprop(false); break;
    case 5019: getuprop(true); break;
    case 5020: setuprop(true); break;
    case 5021: upropnametoidx(); break;
    case 5022: upropidxtoname(); break;
    case 5023: setstarname(); break;
    default: b.result = 2; break;
  }
  SetPort(port);
}

}  // namespace kv
