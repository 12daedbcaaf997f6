// The dialog "关于Velmo校对软件": the logo beside the installation directory's
// logo.jpg, the product's title line and the maker's contact lines.
#ifndef VELMO_FEATURES_ABOUT_VELMO_UI_ABOUT_H
#define VELMO_FEATURES_ABOUT_VELMO_UI_ABOUT_H

#include <QDialog>

QT_BEGIN_NAMESPACE
class QLabel;
QT_END_NAMESPACE

class velmo_ui_about : public QDialog {
    Q_OBJECT

  public:
    explicit velmo_ui_about(QWidget* parent = nullptr);

  public slots:
    void on_close();

  private:
    void init_ui();
    void init_ui_1();
    void init_ui_2();
    void init_ui_3();

    QLabel* logo_label = nullptr;
};

#endif
