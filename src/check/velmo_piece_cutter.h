// Cutting a check range into pieces, on the GUI thread, before any piece is
// sent: tables of contents by sentence, then the paragraphs of the range
// around inline shapes and tables, each stretch cut to the piece length after
// its last separator. Every text and position the check needs is read here,
// so that the service is spoken to on other threads without the host. A
// stretch of the range the host does not give is kept with its reason, so
// that the run reports it as not checked instead of leaving it out unseen.
#ifndef VELMO_CHECK_VELMO_PIECE_CUTTER_H
#define VELMO_CHECK_VELMO_PIECE_CUTTER_H

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include "check/velmo_check_range.h"
#include "wpsapi.h"

// A stretch of the check range whose text the host did not give, and why.
struct velmo_unread_stretch_t {
    qint64 start = 0;
    qint64 end = 0;
    QString reason;
};

class velmo_piece_cutter {
  public:
    // Cuts `range`, which spans [start, end) of the active document, with the
    // piece length and the joining of paragraphs from the settings. A null
    // range gives nothing. Forgets the pieces of an earlier cut.
    void cut(kfc::ks_stdptr<wpsapi::Range>& range, qint64 start, qint64 end);
    // The same with a piece length of its own (at least 1).
    void cut(kfc::ks_stdptr<wpsapi::Range>& range, qint64 start, qint64 end, int length);
    // The same over the bounds the host gives the range.
    void cut(kfc::ks_stdptr<wpsapi::Range>& range);

    // Ordinary pieces, and the sentences of tables of contents, whose errors
    // are searched for in the document.
    const QList<check_range_threadsafe_t>& pieces() const;
    const QList<check_range_threadsafe_t>& contents_pieces() const;
    // Stretches of [start, end) that are in no piece because a read failed,
    // in the order they were met.
    const QList<velmo_unread_stretch_t>& unread() const;

  private:
    void cut_tables_of_contents();
    void cut_paragraphs(kfc::ks_stdptr<wpsapi::Range>& range);
    // False when the paragraph's own bounds could not be read.
    bool cut_paragraph(kfc::ks_stdptr<wpsapi::Paragraph>& paragraph, qint64* reached);
    bool in_tables_of_contents(long position) const;
    // Each of these cuts a stretch meant to span [start, end); a failed read
    // counts the stretch from where it stopped to `end` as unread.
    void cut_around_shapes(kfc::ks_stdptr<wpsapi::Range>& stretch, long start, long end);
    void cut_around_tables(kfc::ks_stdptr<wpsapi::Range>& stretch, long start, long end);
    void cut_table(kfc::ks_stdptr<wpsapi::Table>& table, long start, long end);
    void cut_sentences(kfc::ks_stdptr<wpsapi::Range>& stretch, long start, long end);
    void take_whole(kfc::ks_stdptr<wpsapi::Range>& piece_range, long start, long end);
    // Appends a piece whose text has already been read from the range.
    void append_piece(kfc::ks_stdptr<wpsapi::Range>& piece_range, const QString& text, long start,
                      long end);
    void count_unread(qint64 start, qint64 end);
    // With JoinParagraphs set: runs of whole ordinary paragraphs become one
    // piece each while it stays within the piece length.
    void join_paragraphs();

    qint64 check_start = 0;
    qint64 check_end = 0;
    int piece_length = 100;
    QSet<int> paragraph_starts;
    QHash<int, qint64> paragraph_ends;  // by paragraph start
    QSet<int> table_starts;
    QList<check_range_threadsafe_t> contents;
    QList<check_range_threadsafe_t> ordinary;
    QList<velmo_unread_stretch_t> unread_stretches;
};

#endif
