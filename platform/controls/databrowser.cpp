// The data browser: a list view with columns (property id, type, flags, widths, header font
// and justification) or a column view, its callbacks, and automatic drag tracking of a
// window. Browsers here hold no rows.
#include <algorithm>

#include "platform/controls/controlextras.h"
#include "platform/fonts/fonts.h"

namespace kv {

namespace {

// The window property that marks automatic drag tracking.
constexpr u32 kTrackingCreator = fourcc("kvct"), kTrackingTag = fourcc("drag");

ControlExtras* browser(ControlRef control) {
  ControlExtras* x = controlextras(control);
  return x && x->settings.kind == kControlKindDataBrowser ? x : nullptr;
}

}  // namespace

OSStatus CreateDataBrowserControl(WindowRef window, const Rect* bounds, u32 style, ControlRef* out) {
  *out = nilid;
  if (!bounds) return paramErr;
  if (style != kDataBrowserListView && style != kDataBrowserColumnView) return paramErr;
  OSStatus e = newcontrol(window, bounds, kControlKindDataBrowser, out);
  if (e != noErr) return e;
  controlextras(*out)->settings.variant = style == kDataBrowserColumnView ? 1 : 0;
  return noErr;
}

u32 GetDataBrowserViewStyle(ControlRef control) {
  ControlExtras* x = browser(control);
  if (!x) return 0;
  return x->settings.variant ? kDataBrowserColumnView : kDataBrowserListView;
}

OSStatus AddDataBrowserListViewColumn(ControlRef control, const DataBrowserListViewColumnDesc* column, u32 position) {
  ControlExtras* x = browser(control);
  if (!x) return errInvalidControl;
  if (!column || x->settings.variant) return paramErr;
  const u32 id = column->propertyDesc.propertyID;
  if (std::any_of(x->columns.begin(), x->columns.end(),
                  [id](const DataBrowserListViewColumnDesc& c) { return c.propertyDesc.propertyID == id; }))
    return paramErr;
  const std::size_t at = std::min<std::size_t>(position, x->columns.size());
  x->columns.insert(x->columns.begin() + std::ptrdiff_t(at), *column);
  x->widths.insert(x->widths.begin() + std::ptrdiff_t(at), column->headerBtnDesc.minimumWidth);
  return noErr;
}

OSStatus GetDataBrowserTableViewColumnCount(ControlRef control, u32* count) {
  ControlExtras* x = browser(control);
  if (!x) return errInvalidControl;
  *count = u32(x->columns.size());
  return noErr;
}

OSStatus GetDataBrowserListViewColumnDesc(ControlRef control, u32 position, DataBrowserListViewColumnDesc* out) {
  ControlExtras* x = browser(control);
  if (!x) return errInvalidControl;
  if (position >= x->columns.size()) return paramErr;
  *out = x->columns[position];
  return noErr;
}

OSStatus AutoSizeDataBrowserListViewColumns(ControlRef control) {
  ControlExtras* x = browser(control);
  if (!x) return errInvalidControl;
  for (std::size_t i = 0; i < x->columns.size(); ++i) {
    const DataBrowserListViewHeaderDesc& h = x->columns[i].headerBtnDesc;
    const FontKey font{systemFont, 12, 0};
    const i32 title = textadvance(font, h.titleString + 1, h.titleString[0]) + 8;
    const i32 widest = std::max<i32>(h.maximumWidth, h.minimumWidth);
    x->widths[i] = u16(std::clamp<i32>(title, h.minimumWidth, widest));
  }
  return noErr;
}

OSStatus GetDataBrowserTableViewNamedColumnWidth(ControlRef control, u32 property, u16* width) {
  ControlExtras* x = browser(control);
  if (!x) return errInvalidControl;
  for (std::size_t i = 0; i < x->columns.size(); ++i)
    if (x->columns[i].propertyDesc.propertyID == property) {
      *width = x->widths[i];
      return noErr;
    }
  return paramErr;
}

OSStatus InitDataBrowserCallbacks(DataBrowserCallbacks* callbacks) {
  if (!callbacks) return paramErr;
  *callbacks = DataBrowserCallbacks{};
  return noErr;
}

OSStatus SetDataBrowserCallbacks(ControlRef control, const DataBrowserCallbacks* callbacks) {
  ControlExtras* x = browser(control);
  if (!x) return errInvalidControl;
  if (!callbacks) return paramErr;
  x->callbacks = *callbacks;
  return noErr;
}

OSStatus GetDataBrowserCallbacks(ControlRef control, DataBrowserCallbacks* callbacks) {
  ControlExtras* x = browser(control);
  if (!x) return errInvalidControl;
  *callbacks = x->callbacks;
  return noErr;
}

OSStatus SetAutomaticControlDragTrackingEnabledForWindow(WindowRef window, bool enabled) {
  const u8 on = enabled ? 1 : 0;
  return SetWindowProperty(window, kTrackingCreator, kTrackingTag, 1, &on);
}

bool IsAutomaticControlDragTrackingEnabledForWindow(WindowRef window) {
  u8 on = 0;
  return GetWindowProperty(window, kTrackingCreator, kTrackingTag, 1, nullptr, &on) == noErr && on;
}

}  // namespace kv
