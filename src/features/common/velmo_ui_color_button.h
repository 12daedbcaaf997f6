// A push button that shows one host highlight colour index as its face
// colour. Used by the colour dialogs and the statistics dialog.
#ifndef VELMO_FEATURES_COMMON_VELMO_UI_COLOR_BUTTON_H
#define VELMO_FEATURES_COMMON_VELMO_UI_COLOR_BUTTON_H

#include <QColor>
#include <QPushButton>

// The display colour of a host highlight colour index (1 to 16); red for any
// other index, so that a broken setting still shows as a mark colour.
QColor velmo_qt_color_of(int wps_color);

class velmo_ui_color_button : public QPushButton {
    Q_OBJECT

  public:
    explicit velmo_ui_color_button(QWidget* parent = nullptr);
    explicit velmo_ui_color_button(const QString& text, QWidget* parent = nullptr);

    // Stores the index and paints the button in its display colour.
    void set_wps_color(int index);
    int get_wps_color() const;
    // Paints the button face (all colour groups) flat in the colour.
    void set_qt_color(const QColor& color);

  protected:
    // The whole button takes clicks; without this the class would call
    // QPushButton::hitButton, which Qt has only since 5.15.1.
    bool hitButton(const QPoint& pos) const override { return QAbstractButton::hitButton(pos); }

  private:
    int wps_color = 0;
};

#endif
