#include "bench_host.h"

#include <algorithm>

#include "host/velmo_globals.h"

bench_host::bench_host(int& argc, char** argv)
    : offscreen_(qputenv("QT_QPA_PLATFORM", "offscreen")),
      application_(argc, argv),
      settings_("[Color]\nError=6\nFallibility=7\n"),
      app_(wps_sim::create_application()) {
    g_pApp = app_.get();
}

bench_host::~bench_host() { g_pApp = nullptr; }

double bench_fastest(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}
