// Error marks at scale: placing N coloured marks (local_print_check_result),
// one check_progress_update over them with every position changed (the
// costly branch; fastest of 5) and 100 presses of "下一处", for N = 10,000 and 20,000. Doubling N
// must at most multiply each time by 2.5: no walk of the host's bookmarks
// may be quadratic.
#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench_host.h"
#include "bench_marked_text.h"
#include "document/velmo_check_progress.h"
#include "document/velmo_document.h"
#include "features/navigation/velmo_navigation_commands.h"
#include "host/velmo_host_string.h"
#include "wps_sim.h"

namespace {

const double kMaxRatio = 2.5;
const int kRounds = 5;
const int kPresses = 100;
const int kUpdates = 5;

struct timings_t {
    double walk_ms = 0;
    double place_ms = 0;
    double update_ms = 0;
    double next_ms = 0;
};

// The least any update must do: read the name and start of every bookmark.
void walk_bookmarks(wpsapi::_Document* document) {
    kfc::ks_stdptr<wpsapi::Range> content;
    kfc::ks_stdptr<wpsapi::Bookmarks> bookmarks;
    long count = 0;
    document->get_Content(&content);
    content->get_Bookmarks(&bookmarks);
    bookmarks->get_Count(&count);
    for (long i = 1; i <= count; ++i) {
        VARIANT index = kfc::var_i8(i);
        kfc::ks_stdptr<wpsapi::Bookmark> bookmark;
        bookmarks->Item(&index, &bookmark);
        long start = 0;
        bookmark->get_Start(&start);
        velmo_bookmark_name(bookmark);
    }
}

timings_t measure_once(wpsapi::_Application* app, int marks) {
    timings_t t;
    const QString text = bench_text_with_errors(marks);
    kfc::ks_stdptr<wpsapi::_Document> document =
        wps_sim::document_builder().paragraph(text).open(app);
    s_check_progress = check_progress_t();
    s_check_progress.end = text.length();
    s_check_progress.results = bench_records_for(marks);
    s_check_progress.document = document;

    QElapsedTimer timer;
    timer.start();
    local_print_check_result(true);
    t.place_ms = timer.nsecsElapsed() / 1e6;

    // An insertion at the start moves every mark, so the update copies every
    // position instead of returning early.
    std::vector<double> updates;
    for (int i = 0; i < kUpdates; ++i) {
        VARIANT start = kfc::var_i8(0);
        kfc::ks_stdptr<wpsapi::Range> front;
        document->Range(&start, &start, &front);
        front->put_Text(velmo_to_bstr(QStringLiteral("x")));
        timer.restart();
        check_progress_update(&s_check_progress);
        updates.push_back(timer.nsecsElapsed() / 1e6);
    }
    t.update_ms = *std::min_element(updates.begin(), updates.end());

    timer.restart();
    walk_bookmarks(document);
    t.walk_ms = timer.nsecsElapsed() / 1e6;

    kfc::ks_stdptr<wpsapi::Selection> selection;
    app->get_Selection(&selection);
    selection->SetRange(0, 0);
    QList<QVariant> args;
    timer.restart();
    for (int i = 0; i < kPresses; ++i) velmo_cb_next(args);
    t.next_ms = timer.nsecsElapsed() / 1e6;

    VARIANT no = kfc::var_i4(wpsapi::wdDoNotSaveChanges);
    document->Close(&no, nullptr, nullptr);
    return t;
}

timings_t measure(wpsapi::_Application* app, int marks) {
    std::vector<double> walk, place, update, next;
    for (int round = 0; round < kRounds; ++round) {
        const timings_t t = measure_once(app, marks);
        walk.push_back(t.walk_ms);
        place.push_back(t.place_ms);
        update.push_back(t.update_ms);
        next.push_back(t.next_ms);
    }
    return {bench_fastest(walk), bench_fastest(place), bench_fastest(update), bench_fastest(next)};
}

bool report(const char* what, double small, double large) {
    const double ratio = large / std::max(small, 1e-6);
    std::printf("%-34s %10.2f ms %10.2f ms   ratio %.2f%s\n", what, small, large, ratio,
                ratio <= kMaxRatio ? "" : "   OVER TARGET");
    return ratio <= kMaxRatio;
}

}  // namespace

int main(int argc, char** argv) {
    bench_host host(argc, argv);
    wpsapi::_Application* app = host.app();

    const timings_t small = measure(app, 10000);
    const timings_t large = measure(app, 20000);
    std::printf("%-34s %13s %13s\n", "fastest of 5 rounds", "10,000 marks", "20,000 marks");
    bool ok = report("placing the marks (coloured)", small.place_ms, large.place_ms);
    ok = report("one check_progress_update", small.update_ms, large.update_ms) && ok;
    ok = report("100 presses of next", small.next_ms, large.next_ms) && ok;
    // For reference: the host's own cost of one walk over its bookmarks.
    std::printf("%-34s %10.2f ms %10.2f ms   ratio %.2f (host, no target)\n",
                "bare walk of the host's bookmarks", small.walk_ms, large.walk_ms,
                large.walk_ms / std::max(small.walk_ms, 1e-6));
    return ok ? 0 : 1;
}
