// What the window shows of one document, read from the host in one go: the
// main text, the highlight runs, the bookmarks and the selection. Two
// snapshots compare equal when the view has nothing to redraw.
#ifndef WSIM_SNAPSHOT_H
#define WSIM_SNAPSHOT_H

#include <QString>
#include <QVector>

#include "wsim_host.h"

struct wsim_highlight_run {
    long start = 0;
    long end = 0;
    int index = 0;
    bool operator==(const wsim_highlight_run& o) const {
        return start == o.start && end == o.end && index == o.index;
    }
};

struct wsim_snapshot {
    QString text;                            // the main text, marks included
    QVector<wsim_highlight_run> highlights;  // highlighted stretches only (index > 0)
    QVector<wsim_bookmark> bookmarks;
    long selection_start = 0;
    long selection_end = 0;
    bool operator==(const wsim_snapshot& o) const;
    bool operator!=(const wsim_snapshot& o) const { return !(*this == o); }
};

inline bool operator==(const wsim_bookmark& a, const wsim_bookmark& b) {
    return a.name == b.name && a.start == b.start && a.end == b.end;
}

// Highlight runs of [start, end) found by halving the range until each part
// has one colour, so a document with few runs costs few host calls.
QVector<wsim_highlight_run> wsim_highlight_runs(wpsapi::_Document* doc, long start, long end);

// Reads everything at once. `selection_of_active` reads the selection only
// when the document is the active one (the host has one selection).
wsim_snapshot wsim_take_snapshot(wpsapi::_Application* app, wpsapi::_Document* doc,
                                 bool selection_of_active);

#endif
