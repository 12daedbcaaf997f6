#include "host_fakes.h"

#include "host/velmo_bstr.h"

namespace {

QString text_of(BSTR text) { return velmo_from_bstr(text); }

BSTR new_text(const QString& text) { return velmo_to_bstr(text).detach(); }

template <class Self>
HRESULT answer_query(Self* self, REFIID riid, void** object) {
    if (riid == Self::iid || riid == IDispatch::iid || riid == IUnknown::iid) {
        self->AddRef();
        *object = self;
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

}  // namespace

HRESULT application_without_bars::QueryInterface(REFIID riid, void** object) {
    return answer_query<wpsapi::_Application>(this, riid, object);
}
HRESULT application_without_bars::get_ActiveDocument(wpsapi::Document**) { return E_FAIL; }
HRESULT application_without_bars::get_Selection(wpsapi::Selection**) { return E_FAIL; }
HRESULT application_without_bars::get_Documents(wpsapi::Documents**) { return E_FAIL; }
HRESULT application_without_bars::get_Version(BSTR* result) {
    *result = new_text(QStringLiteral("12.1.0.0"));
    return S_OK;
}
HRESULT application_without_bars::get_Name(BSTR* result) {
    *result = new_text(QStringLiteral("WPS 文字"));
    return S_OK;
}
HRESULT application_without_bars::get_CommandBars(ksoapi::_CommandBars** result) {
    ++command_bar_requests_;
    *result = nullptr;
    return status_;
}

HRESULT command_bars_refusing::QueryInterface(REFIID riid, void** object) {
    return answer_query<ksoapi::_CommandBars>(this, riid, object);
}
HRESULT command_bars_refusing::Add(VARIANT name, VARIANT position, VARIANT menu_bar,
                                   VARIANT temporary, ksoapi::CommandBar** result) {
    calls << QStringList{describe_argument(&name), describe_argument(&position),
                         describe_argument(&menu_bar), describe_argument(&temporary)}
                 .join(", ");
    if (name.vt == VT_BSTR && refused_.contains(text_of(name.bstrVal))) {
        *result = nullptr;
        return E_FAIL;
    }
    return host_->Add(name, position, menu_bar, temporary, result);
}

QString describe_argument(const VARIANT* argument) {
    if (!argument) return "null";
    switch (argument->vt) {
        case VT_EMPTY:
            return "empty";
        case VT_I4:
            return QString("i4:%1").arg(argument->lVal);
        case VT_BOOL:
            return argument->boolVal ? "bool:true" : "bool:false";
        case VT_BSTR:
            return "bstr:" + text_of(argument->bstrVal);
        case VT_ERROR:
            return QString("error:%1")
                .arg(static_cast<quint32>(argument->scode), 8, 16, QChar('0'));
        default:
            return QString("vt%1").arg(argument->vt);
    }
}

HRESULT controls_recording::QueryInterface(REFIID riid, void** object) {
    return answer_query<ksoapi::CommandBarControls>(this, riid, object);
}
HRESULT controls_recording::Add(VARIANT type, VARIANT id, VARIANT parameter, VARIANT before,
                                VARIANT temporary, ksoapi::CommandBarControl** result) {
    calls << QStringList{describe_argument(&type), describe_argument(&id),
                         describe_argument(&parameter), describe_argument(&before),
                         describe_argument(&temporary)}
                 .join(", ");
    return host_->Add(type, id, parameter, before, temporary, result);
}
