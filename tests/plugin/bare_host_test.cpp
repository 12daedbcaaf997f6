// The installed plug-in loaded into hosts that lack one of the functions it
// needs from the host, each in a fresh child process. The child stands in
// for the host program: it links none of the simulated host's libraries; the
// plug-in's directory holds stand-ins for them (bare_host_library.cpp) that
// export only what the case allows, and the plug-in finds them there first.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "ksoapi.h"
#include "plugin_process.h"
#include "wps_placeholders.h"
#include "wpsapi.h"

namespace {

// An application that counts the requests for its command bars and hands out
// none, so that the plug-in stops right after deciding whether to build.
class counting_application : public wps_placeholders::implemented<wpsapi::_Application> {
  public:
    HRESULT QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT get_Name(BSTR*) override { return E_NOTIMPL; }
    HRESULT get_Documents(wpsapi::Documents**) override { return E_NOTIMPL; }
    HRESULT get_ActiveDocument(wpsapi::Document**) override { return E_NOTIMPL; }
    HRESULT get_Selection(wpsapi::Selection**) override { return E_NOTIMPL; }
    HRESULT get_Version(BSTR*) override { return E_NOTIMPL; }
    HRESULT get_CommandBars(ksoapi::CommandBars** result) override {
        ++requests;
        *result = nullptr;
        return E_FAIL;
    }
    int requests = 0;
};

// A report as one text, so that a mismatch shows readably.
std::string joined(const QStringList& lines) { return lines.join('\n').toStdString(); }

QString hex(HRESULT value) { return QString::number(static_cast<quint32>(value), 16); }

class bare_host : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(prefix.isValid() && work.isValid());
        QString output;
        ASSERT_TRUE(install_plugin(prefix.path(), &output)) << output.toStdString();
    }

    // A plug-in directory whose host libraries are the stand-ins of `host`.
    QString directory_for(const QString& host) {
        const QString installed = prefix.path() + "/" + VELMO_PLUGIN_INSTALL_DIR;
        const QString dir = work.path() + "/" + host;
        QDir().mkpath(dir);
        for (const QString& name : QDir(installed).entryList(QDir::Files))
            QFile::copy(installed + "/" + name, dir + "/" + name);
        QFile::copy(QString(VELMO_BARE_HOSTS_DIR) + "/" + host + "/libwpsapi.so",
                    dir + "/libwpsapi.so");
        QFile::copy(QString(VELMO_BARE_HOSTS_DIR) + "/libksoapi.so", dir + "/libksoapi.so");
        return dir;
    }

    // Loads the plug-in of `host`, starts and stops it, and reports: the load
    // error or the start's result and the number of command-bar requests,
    // then every line the plug-in wrote to standard error about the host.
    QStringList start(const QString& host, bool lazy = true) {
        const QString dir = directory_for(host);
        const QString errors = work.path() + "/" + host + ".stderr";
        const child_outcome outcome = run_in_child(work.path(), [dir, errors, lazy] {
            std::fflush(stderr);
            if (!std::freopen(QFile::encodeName(errors).constData(), "w", stderr))
                return QStringList{"no stderr"};
            QStringList report;
            {
                loaded_plugin plugin(dir, lazy);
                if (!plugin.ok()) return QStringList{"load failed: " + plugin.error()};
                counting_application app;
                report << "result " + hex(plugin.initialize(&app))
                       << QString("bar requests %1").arg(app.requests);
                plugin.uninitialize();
            }
            std::fflush(stderr);
            QFile file(errors);
            if (file.open(QIODevice::ReadOnly))
                for (const QString& line : QString::fromUtf8(file.readAll()).split('\n'))
                    if (line.startsWith("velmo: the host")) report << line;
            return report;
        });
        EXPECT_TRUE(outcome.exited && outcome.exit_code == 0) << "the host died";
        return outcome.report;
    }

    QTemporaryDir prefix;
    QTemporaryDir work;
};

// The plug-in finds the manager and the strings among its own dependencies
// (the host loads it locally) and goes on to the command bars.
TEST_F(bare_host, a_complete_host_is_asked_for_its_command_bars) {
    EXPECT_EQ(joined(start("complete")), joined({"result 80000008", "bar requests 1"}));
}

// Each missing or failing entry point: one line that names it, nothing built,
// and the host keeps running through start and shut-down.
TEST_F(bare_host, a_missing_or_failing_entry_point_is_reported_once_and_nothing_is_built) {
    EXPECT_EQ(joined(start("without-event-manager")),
              joined({"result 80000008", "bar requests 0",
                      "velmo: the host does not export GetEventsRegisterManager; the "
                      "plug-in adds no command bars"}));
    EXPECT_EQ(joined(start("null-event-manager")),
              joined({"result 80000008", "bar requests 0",
                      "velmo: the host's GetEventsRegisterManager gave no event manager; "
                      "the plug-in adds no command bars"}));
}

// The string functions are looked up at run time like the event manager, so
// that even a host binding every symbol at load starts the plug-in and hears
// what it lacks, whether the plug-in itself is bound at load (the hardened
// build) or not.
TEST_F(bare_host, a_host_without_the_string_functions_is_told_so_even_binding_at_load) {
    const std::string told = joined({"result 80000008", "bar requests 0",
                                     "velmo: the host does not export _XSysAllocString; the "
                                     "plug-in adds no command bars"});
    EXPECT_EQ(joined(start("without-strings")), told);
    EXPECT_EQ(joined(start("without-strings", false)), told);
    EXPECT_EQ(joined(start("without-event-manager", false)),
              joined({"result 80000008", "bar requests 0",
                      "velmo: the host does not export GetEventsRegisterManager; the "
                      "plug-in adds no command bars"}));
}

}  // namespace
