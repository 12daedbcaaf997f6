#include "features/common/velmo_ui_color_button.h"

#include <QPalette>

#include "wpsapi.h"

QColor velmo_qt_color_of(int wps_color) {
    switch (wps_color) {
        case wpsapi::wdBlack:
            return Qt::black;
        case wpsapi::wdBlue:
            return Qt::blue;
        case wpsapi::wdTurquoise:
            return Qt::cyan;
        case wpsapi::wdBrightGreen:
            return Qt::green;
        case wpsapi::wdPink:
            return Qt::magenta;
        case wpsapi::wdRed:
            return Qt::red;
        case wpsapi::wdYellow:
            return Qt::yellow;
        case wpsapi::wdWhite:
            return Qt::white;
        case wpsapi::wdDarkBlue:
            return Qt::darkBlue;
        case wpsapi::wdTeal:
            return Qt::darkCyan;
        case wpsapi::wdGreen:
            return Qt::darkGreen;
        case wpsapi::wdViolet:
            return Qt::darkMagenta;
        case wpsapi::wdDarkRed:
            return Qt::darkRed;
        case wpsapi::wdDarkYellow:
            return Qt::darkYellow;
        case wpsapi::wdGray50:
            return Qt::gray;
        case wpsapi::wdGray25:
            return Qt::lightGray;
        default:
            return Qt::red;
    }
}

velmo_ui_color_button::velmo_ui_color_button(QWidget* parent) : QPushButton(parent) {}

velmo_ui_color_button::velmo_ui_color_button(const QString& text, QWidget* parent)
    : QPushButton(text, parent) {}

void velmo_ui_color_button::set_wps_color(int index) {
    wps_color = index;
    set_qt_color(velmo_qt_color_of(index));
}

int velmo_ui_color_button::get_wps_color() const { return wps_color; }

void velmo_ui_color_button::set_qt_color(const QColor& color) {
    QPalette face = palette();
    face.setBrush(QPalette::All, QPalette::Button, QBrush(color, Qt::SolidPattern));
    setPalette(face);
    setAutoFillBackground(true);
    setFlat(true);
}
