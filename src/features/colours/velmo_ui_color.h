// The colour picker: a 4 x 4 grid of the sixteen host highlight colours, the
// current choice and the buttons "确定" and "取消". After exec(), get_color()
// is the chosen index, or -1 when the picker was cancelled.
#ifndef VELMO_FEATURES_COLOURS_VELMO_UI_COLOR_H
#define VELMO_FEATURES_COLOURS_VELMO_UI_COLOR_H

#include <QDialog>

class velmo_ui_color_button;

class velmo_ui_color : public QDialog {
    Q_OBJECT

  public:
    explicit velmo_ui_color(QWidget* parent = nullptr);

    void set_color(int color);
    int get_color() const;

  public slots:
    void on_cancel();
    void on_ok();
    void on_color_changed(int color);

  protected:
    // Escape and the window's close button cancel like "取消".
    void done(int result) override;

  private:
    void init_ui();
    void init_ui_1();
    void init_ui_2();
    void init_ui_3();

    int chosen_color = -1;
    velmo_ui_color_button* current_button = nullptr;
};

#endif
