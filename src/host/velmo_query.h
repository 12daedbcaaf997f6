// The checked QueryInterface the plug-in uses, the interface IDs it names, and
// the adoption of objects the host hands out under their coclass. The IDs are
// the host's own; keeping them here means the plug-in does not depend on how
// (or whether) a set of host declarations spells them.
#ifndef VELMO_HOST_VELMO_QUERY_H
#define VELMO_HOST_VELMO_QUERY_H

#include "kfc.h"

// The host's CommandBarPopup, answered by a drop-down control.
inline constexpr IID velmo_iid_command_bar_popup = {
    0x000C030A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The event interface of a button's "Click".
inline constexpr IID velmo_diid_command_bar_button_events = {
    0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

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

// Some getters hand an object out under its coclass (wpsapi::Document,
// ksoapi::CommandBars): the vendor's headers declare the coclass as a class
// of its own that is never defined, the project's make it the interface
// itself. The object is the interface `I` at the same address; this adopts
// the reference the getter handed out.
template <class I, class Coclass>
kfc::ks_stdptr<I> velmo_adopt(Coclass* object) {
    kfc::ks_stdptr<I> result;
    result.attach(reinterpret_cast<I*>(object));
    return result;
}

#endif
