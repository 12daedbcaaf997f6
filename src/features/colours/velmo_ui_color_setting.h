// The dialog "颜色设置": one swatch per kind of mark (error, corrected text,
// suspect error, batch-find hit), each opening the colour picker; "默认"
// puts the default colours in; "确定" stores the four colours and saves the
// settings file.
#ifndef VELMO_FEATURES_COLOURS_VELMO_UI_COLOR_SETTING_H
#define VELMO_FEATURES_COLOURS_VELMO_UI_COLOR_SETTING_H

#include <QDialog>

QT_BEGIN_NAMESPACE
class QGridLayout;
QT_END_NAMESPACE
class velmo_ui_color_button;

class velmo_ui_color_setting : public QDialog {
    Q_OBJECT

  public:
    explicit velmo_ui_color_setting(QWidget* parent = nullptr);

    // Swatches in the order Error, Update, Fallibility, Find (the mapping of
    // on_color_changed).
    static constexpr int SWATCH_COUNT = 4;

  public slots:
    void on_cancel();
    void on_default();
    void on_ok();
    void on_color_changed(int swatch);

  private:
    void init_ui();
    void init_ui_1();
    void init_ui_2();
    void add_swatch(QGridLayout* grid, int swatch, int row, int column);

    velmo_ui_color_button* swatches[SWATCH_COUNT] = {};
};

#endif
