// Command bars, their controls and drop-down pop-ups.
#include <QString>
#include <vector>

#include "com_base.h"
#include "ksoapi.h"
#include "ksoapi_events.h"
#include "variant_util.h"
#include "wps_sim.h"

namespace wps_sim {
namespace {

using namespace ksoapi;

class controls_object;

// Item(index) of the bar and control lists: a 1-based number, or the text
// that `name_of` reads from an element.
template <class T, class Name>
HRESULT item_of(const std::vector<kfc::ks_stdptr<T>>& list, VARIANT* index, Name name_of,
                T** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (variant_is_text(index)) {
        QString wanted = variant_text(index);
        for (const auto& element : list) {
            kfc::ks_bstr name;
            (element.get()->*name_of)(&name);
            if (bstr_to_qstring(name) == wanted) {
                element->AddRef();
                *result = element.get();
                return S_OK;
            }
        }
        return DISP_E_BADINDEX;
    }
    int64_t i = variant_number(index, 0);
    if (i < 1 || i > static_cast<int64_t>(list.size())) return DISP_E_BADINDEX;
    *result = list[static_cast<size_t>(i - 1)].get();
    (*result)->AddRef();
    return S_OK;
}

class control_object : public com_object<CommandBarPopup> {
  public:
    control_object(MsoControlType type, int id, const QString& parameter, const VARIANT* temporary);
    ~control_object() override { event_manager::instance().forget(this); }

    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (riid == CommandBarPopup::iid && type_ != msoControlPopup) {
            if (out) *out = nullptr;
            return E_NOINTERFACE;
        }
        return com_object<CommandBarPopup>::QueryInterface(riid, out);
    }
    HRESULT get_Caption(BSTR* result) override { return put_string(caption_, result); }
    HRESULT put_Caption(BSTR caption) override {
        caption_ = bstr_to_qstring(caption);
        return S_OK;
    }
    HRESULT get_Parameter(BSTR* result) override { return put_string(parameter_, result); }
    HRESULT put_Parameter(BSTR parameter) override {
        parameter_ = bstr_to_qstring(parameter);
        return S_OK;
    }
    HRESULT get_Type(MsoControlType* result) override { return put_value(type_, result); }
    HRESULT get_Id(int* result) override { return put_value(id_, result); }
    HRESULT get_Visible(VARIANT_BOOL* result) override { return put_flag(visible_, result); }
    HRESULT put_Visible(VARIANT_BOOL visible) override {
        visible_ = visible != VARIANT_FALSE;
        return S_OK;
    }
    HRESULT get_Enabled(VARIANT_BOOL* result) override { return put_flag(enabled_, result); }
    HRESULT put_Enabled(VARIANT_BOOL enabled) override {
        enabled_ = enabled != VARIANT_FALSE;
        return S_OK;
    }
    HRESULT Execute() override {
        int status = 0;
        return click(&status) ? S_OK : E_FAIL;
    }
    HRESULT get_Controls(CommandBarControls** result) override;

    bool click(int* status) {
        if (!enabled_) return false;
        QList<QVariant> args{caption_, false};
        *status =
            event_manager::instance().raise(this, DIID__CommandBarButtonEvents, click_event, args);
        return true;
    }

  protected:
    bool also_implements(REFIID riid) const override { return riid == CommandBarControl::iid; }

  private:
    MsoControlType type_;
    int id_;
    QString caption_;
    QString parameter_;
    bool visible_ = true;
    bool enabled_ = true;
    kfc::ks_stdptr<CommandBarControls> popup_controls_;
};

class controls_object : public com_object<CommandBarControls> {
  public:
    HRESULT get_Count(int* result) override {
        return put_value(static_cast<int>(items_.size()), result);
    }
    HRESULT get_Item(VARIANT index, CommandBarControl** result) override {
        return item_of(items_, &index, &CommandBarControl::get_Caption, result);
    }
    HRESULT Add(VARIANT type_arg, VARIANT id_arg, VARIANT parameter_arg, VARIANT before_arg,
                VARIANT temporary_arg, CommandBarControl** result) override {
        const VARIANT* type = &type_arg;
        const VARIANT* before = &before_arg;
        if (!result) return E_POINTER;
        *result = nullptr;
        int64_t kind =
            variant_is_missing(type) ? int64_t{msoControlButton} : variant_number(type, -1);
        if (kind != msoControlButton && kind != msoControlPopup) return E_INVALIDARG;
        int64_t position = static_cast<int64_t>(items_.size());
        if (!variant_is_missing(before)) {
            int64_t b = variant_number(before, 0);
            if (b < 1 || b > position + 1) return E_INVALIDARG;
            position = b - 1;
        }
        kfc::ks_stdptr<control_object> control;
        control.attach(new control_object(static_cast<MsoControlType>(kind),
                                          static_cast<int>(variant_number(&id_arg, 1)),
                                          variant_text(&parameter_arg), &temporary_arg));
        items_.insert(items_.begin() + position, kfc::ks_stdptr<CommandBarControl>(control.get()));
        control->AddRef();
        *result = control.get();
        return S_OK;
    }

    const std::vector<kfc::ks_stdptr<CommandBarControl>>& items() const { return items_; }

  private:
    std::vector<kfc::ks_stdptr<CommandBarControl>> items_;
};

control_object::control_object(MsoControlType type, int id, const QString& parameter,
                               const VARIANT*)
    : type_(type), id_(id), parameter_(parameter) {
    if (type_ == msoControlPopup) popup_controls_.attach(new controls_object());
}

HRESULT control_object::get_Controls(CommandBarControls** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (!popup_controls_) return E_FAIL;
    popup_controls_->AddRef();
    *result = popup_controls_.get();
    return S_OK;
}

class bar_object : public com_object<CommandBar> {
  public:
    bar_object(const QString& name, MsoBarPosition position) : name_(name), position_(position) {
        controls_.attach(new controls_object());
    }
    HRESULT get_Name(BSTR* result) override { return put_string(name_, result); }
    HRESULT get_Controls(CommandBarControls** result) override {
        if (!result) return E_POINTER;
        controls_->AddRef();
        *result = controls_.get();
        return S_OK;
    }
    HRESULT get_Visible(VARIANT_BOOL* result) override { return put_flag(visible_, result); }
    HRESULT put_Visible(VARIANT_BOOL visible) override {
        visible_ = visible != VARIANT_FALSE;
        return S_OK;
    }
    HRESULT get_Position(MsoBarPosition* result) override { return put_value(position_, result); }

  private:
    QString name_;
    MsoBarPosition position_;
    bool visible_ = false;
    kfc::ks_stdptr<CommandBarControls> controls_;
};

class bars_object : public com_object<_CommandBars> {
  public:
    HRESULT get_Count(int* result) override {
        return put_value(static_cast<int>(bars_.size()), result);
    }
    HRESULT get_Item(VARIANT index, CommandBar** result) override {
        return item_of(bars_, &index, &CommandBar::get_Name, result);
    }
    HRESULT Add(VARIANT name_arg, VARIANT position_arg, VARIANT, VARIANT,
                CommandBar** result) override {
        const VARIANT* name = &name_arg;
        const VARIANT* position = &position_arg;
        if (!result) return E_POINTER;
        *result = nullptr;
        QString bar_name = variant_is_text(name)
                               ? variant_text(name)
                               : QStringLiteral("自定义 %1").arg(bars_.size() + 1);
        int64_t pos =
            variant_is_missing(position) ? int64_t{msoBarTop} : variant_number(position, -1);
        if (pos < msoBarLeft || pos > msoBarMenuBar) return E_INVALIDARG;
        auto* bar = new bar_object(bar_name, static_cast<MsoBarPosition>(pos));
        bars_.emplace_back(bar);  // the list takes its own reference
        *result = bar;            // the caller gets the first one
        return S_OK;
    }

  private:
    std::vector<kfc::ks_stdptr<CommandBar>> bars_;
};

}  // namespace

namespace detail {

WPS_API ksoapi::_CommandBars* create_command_bars() { return new bars_object(); }

WPS_API bool click_control(ksoapi::CommandBarControl* control, int* status) {
    auto* impl = dynamic_cast<control_object*>(control);
    int ignored = 0;
    return impl && impl->click(status ? status : &ignored);
}

}  // namespace detail
}  // namespace wps_sim
