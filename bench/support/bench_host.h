// What a benchmark of the plug-in's commands runs in: a Qt application on
// the offscreen platform, settings holding the mark colours, and a simulated
// Writer application as g_pApp for the life of the object.
#pragma once

#include <QApplication>
#include <vector>

#include "temp_settings.h"
#include "wps_sim.h"

class bench_host {
  public:
    bench_host(int& argc, char** argv);
    ~bench_host();
    wpsapi::_Application* app() const { return app_.get(); }

  private:
    bool offscreen_;  // set before the application is made
    QApplication application_;
    temp_settings settings_;
    kfc::ks_stdptr<wpsapi::_Application> app_;
};

// The fastest of several rounds: the machine is shared, and other work only
// ever adds time.
double bench_fastest(const std::vector<double>& values);
