// The modal progress dialog of one check run: a view of the run's session.
// It shows the piece's and the run's progress, offers "停止" (as do Escape and
// the window's close button) and closes itself when the run ends.
//
// Use: construct over a session, start the session, exec().
#ifndef VELMO_FEATURES_CHECK_VELMO_UI_CHECK_H
#define VELMO_FEATURES_CHECK_VELMO_UI_CHECK_H

#include <QDialog>

QT_BEGIN_NAMESPACE
class QCloseEvent;
class QProgressBar;
class QPushButton;
QT_END_NAMESPACE
class velmo_check_session;

class velmo_ui_check : public QDialog {
    Q_OBJECT

  public:
    // `session` is not owned and must outlive the dialog.
    explicit velmo_ui_check(velmo_check_session* session, QDialog* parent = nullptr);

  public slots:
    void on_stop();
    // Escape: stops the run like "停止"; the dialog closes when the run ends.
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void init_ui();
    void on_progress(int sub_progress, int total_progress);
    void on_finished();

    velmo_check_session* session;
    QProgressBar* sub_progress_bar = nullptr;
    QProgressBar* total_progress_bar = nullptr;
    QPushButton* stop_button = nullptr;
};

#endif
