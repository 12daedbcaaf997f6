// What velmo-proofread prints: one line per document, on a terminal a
// progress bar under the lines that is redrawn as documents finish, and a
// closing summary.
#ifndef PROOFREAD_REPORT_H
#define PROOFREAD_REPORT_H

#include <QString>
#include <QTextStream>

#include "proofread_document.h"

// "<file>: 错误 N, 疑错 N, 严重错误 N; K pieces not checked[; outside the
// body: 页眉 N 处 M 字 错误 N, 疑错 N, 严重错误 N; ...][; not checked outside
// the body: 页眉 N 处 M 字, ...]; 1.2 s -> <output>", or "<file>: FAILED: <why>".
QString proofread_line(const QString& input, const proofread_result& result);
// "velmo-proofread: N documents, W written, F failed: <files>[; stopped, K
// not processed]".
QString proofread_summary(int total, const QStringList& failed, int not_processed);

class proofread_progress {
  public:
    proofread_progress(QTextStream& out, bool terminal, int total)
        : out_(out), terminal_(terminal), total_(total) {}
    // The document being worked on (terminal only).
    void start(int index, const QString& name);
    // Prints a finished document's line.
    void line(const QString& text);
    // Removes the bar.
    void finish();

  private:
    void draw();

    QTextStream& out_;
    bool terminal_;
    int total_;
    int done_ = 0;
    QString current_;
};

#endif
