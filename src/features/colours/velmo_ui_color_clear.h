// The dialog "清除颜色标记": one check box per kind of mark with the kind's
// colour beside it. Kinds that share a colour are ticked together, since
// marks are cleared by colour. "确定" stores the ticks and saves the
// settings file; afterwards is_clear_color() tells the clear-colour command
// which colours to clear.
#ifndef VELMO_FEATURES_COLOURS_VELMO_UI_COLOR_CLEAR_H
#define VELMO_FEATURES_COLOURS_VELMO_UI_COLOR_CLEAR_H

#include <QDialog>

QT_BEGIN_NAMESPACE
class QCheckBox;
QT_END_NAMESPACE
class velmo_ui_color_button;

class velmo_ui_clear_color : public QDialog {
    Q_OBJECT

  public:
    explicit velmo_ui_clear_color(QWidget* parent = nullptr);

    // Kinds in the order Error, Fallibility, Update, Find.
    static constexpr int KIND_COUNT = 4;

    // False unless "确定" was pressed; then whether the check box of the
    // first kind whose configured colour is `index` is ticked (false when
    // no kind has that colour).
    bool is_clear_color(int index) const;

  public slots:
    void on_cancel();
    void on_ok();
    void on_color_changed(int state);

  private:
    void init_ui();
    void init_ui_1();
    void init_ui_2();

    QCheckBox* check_boxes[KIND_COUNT] = {};
    velmo_ui_color_button* swatches[KIND_COUNT] = {};
    bool confirmed = false;
};

#endif
