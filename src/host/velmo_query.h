// The checked QueryInterface the plug-in uses, and the interface IDs it asks
// for. The IDs are the host's own; keeping them here means the plug-in does not
// depend on how a set of host declarations spells them.
#ifndef VELMO_HOST_VELMO_QUERY_H
#define VELMO_HOST_VELMO_QUERY_H

#include "kfc.h"

// The host's CommandBarPopup, answered by a drop-down control.
inline constexpr IID velmo_iid_command_bar_popup = {
    0x000C030A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Asks `source` for the interface `iid`, which must be T's; null when the
// object does not support it (or hands out nothing).
template <class T, class U>
kfc::ks_stdptr<T> velmo_query(U* source, REFIID iid) {
    kfc::ks_stdptr<T> result;
    void* out = nullptr;
    if (source && SUCCEEDED(source->QueryInterface(iid, &out)) && out)
        result.attach(static_cast<T*>(out));
    return result;
}

#endif
