// The installed plug-in, loaded by its soname file and driven by the
// simulated host as the host drives it. Each case loads it in a fresh child
// process (see plugin_process.h).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "host/velmo_bstr.h"
#include "host/velmo_host.h"
#include "host_fakes.h"
#include "layout_expectations.h"
#include "plugin_process.h"
#include "wps_sim.h"

namespace {

constexpr HRESULT no_command_bars = static_cast<HRESULT>(0x80000008u);
const char* const old_version = "11.0";

QString read_file(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool write_file(const QString& path, const QString& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(text.toUtf8()) == text.toUtf8().size();
}

// The account command may rewrite a display item's caption to
// "caption:value"; these tests identify items by the caption they were
// created with.
QString created_caption(const QString& shown) { return shown.section(':', 0, 0); }

// One line per command bar: its name, then its controls' captions, as
// created or as shown now.
QStringList describe_bars(wpsapi::_Application* app, bool as_created = true) {
    QStringList lines;
    for (const QString& bar : wps_sim::command_bar_names(app)) {
        QStringList captions;
        for (const QString& caption : wps_sim::control_captions(app, bar))
            captions << (as_created ? created_caption(caption) : caption);
        lines << bar + ": " + captions.join(" | ");
    }
    return lines;
}

kfc::ks_stdptr<ksoapi::CommandBarControl> find_in(ksoapi::CommandBarControls* controls,
                                                  const QString& caption) {
    int count = 0;
    if (!controls || FAILED(controls->get_Count(&count))) return nullptr;
    for (int i = 1; i <= count; ++i) {
        kfc::ks_stdptr<ksoapi::CommandBarControl> control;
        if (FAILED(controls->get_Item(kfc::var_i4(i), &control)) || !control) continue;
        kfc::ks_bstr shown;
        control->get_Caption(&shown);
        if (created_caption(velmo_from_bstr(shown)) == caption) return control;
        auto popup =
            velmo_query<ksoapi::CommandBarPopup>(control.get(), velmo_iid_command_bar_popup);
        kfc::ks_stdptr<ksoapi::CommandBarControls> items;
        if (popup && SUCCEEDED(popup->get_Controls(&items)))
            if (auto found = find_in(items, caption)) return found;
    }
    return nullptr;
}

// The control created with `caption`, whatever it shows now.
kfc::ks_stdptr<ksoapi::CommandBarControl> find_item(wpsapi::_Application* app,
                                                    const QString& caption) {
    kfc::ks_stdptr<ksoapi::_CommandBars> bars;
    int count = 0;
    if (FAILED(app->get_CommandBars(&bars)) || FAILED(bars->get_Count(&count))) return nullptr;
    for (int i = 1; i <= count; ++i) {
        kfc::ks_stdptr<ksoapi::CommandBar> bar;
        kfc::ks_stdptr<ksoapi::CommandBarControls> controls;
        if (FAILED(bars->get_Item(kfc::var_i4(i), &bar)) || FAILED(bar->get_Controls(&controls)))
            continue;
        if (auto found = find_in(controls, caption)) return found;
    }
    return nullptr;
}

int visible_bar_count(wpsapi::_Application* app) {
    kfc::ks_stdptr<ksoapi::_CommandBars> bars;
    int count = 0, visible = 0;
    if (FAILED(app->get_CommandBars(&bars)) || FAILED(bars->get_Count(&count))) return -1;
    for (int i = 1; i <= count; ++i) {
        kfc::ks_stdptr<ksoapi::CommandBar> bar;
        VARIANT_BOOL shown = VARIANT_FALSE;
        if (SUCCEEDED(bars->get_Item(kfc::var_i4(i), &bar)) && SUCCEEDED(bar->get_Visible(&shown)))
            visible += shown != VARIANT_FALSE;
    }
    return visible;
}

// The number of handlers bound to each expected item, in expected order.
QString handler_counts(wpsapi::_Application* app) {
    QStringList counts;
    for (const expected_item& item : expected_items())
        counts << QString::number(wps_sim::registered_handler_count(find_item(app, item.caption)));
    return counts.join(',');
}

// handler_counts() when every item has `count` handlers.
QString handlers_each(int count) {
    return QString("%1,").arg(count).repeated(expected_items().size()).chopped(1);
}

QStringList expected_old_style_bar() {
    QStringList captions = expected_top_buttons();
    for (const QString& menu : expected_menus()) captions << expected_menu_listing(menu);
    return {"校对: " + captions.join(" | ")};
}

QStringList expected_new_style_bars_described() {
    QStringList lines;
    for (const QString& button : expected_top_buttons()) lines << button + ": " + button;
    for (const QString& menu : expected_menus())
        lines << menu + ": " + expected_menu_listing(menu).join(" | ");
    return lines;
}

QString result_line(HRESULT result) {
    return QString("result %1").arg(static_cast<quint32>(result), 8, 16, QChar('0'));
}

// A fresh installation of the plug-in for each case, plus a folder that is
// the whole PATH of the child, holding a pkill that only records its
// arguments.
class installed_plugin : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(prefix.isValid() && tools.isValid());
        QString output;
        ASSERT_TRUE(install_plugin(prefix.path(), &output)) << output.toStdString();
        directory = prefix.path() + "/" + VELMO_PLUGIN_INSTALL_DIR;
        pkill_record = tools.path() + "/pkill-calls";
        const QString pkill = tools.path() + "/pkill";
        ASSERT_TRUE(write_file(pkill, "#!/bin/sh\necho \"$@\" >> '" + pkill_record + "'\n"));
        QFile::setPermissions(pkill, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void use_settings(const QString& other_params) {
        ASSERT_TRUE(write_file(directory + "/velmo.ini",
                               "[OtherParams]\n" + other_params +
                                   "\nServiceUrl=\n[UserInfo]\nUserName=tester\nAuthNo=1234\n"));
    }

    // Loads the plug-in in a fresh child and returns what `body` reports.
    QStringList with_plugin(const std::function<QStringList(loaded_plugin&)>& body) {
        const QString dir = directory;
        const child_outcome outcome = run_in_child(tools.path(), [dir, body] {
            loaded_plugin plugin(dir);
            if (!plugin.ok()) return QStringList{"load failed: " + plugin.error()};
            return body(plugin);
        });
        EXPECT_TRUE(outcome.exited && outcome.exit_code == 0) << "child died";
        return outcome.report;
    }

    // Starts the plug-in on a host of `version` and reports the result and
    // the command bars; `more` may add to the report.
    QStringList start_host(const QString& version,
                           const std::function<void(const loaded_plugin&, wpsapi::_Application*,
                                                    QStringList&)>& more = {}) {
        return with_plugin([version, more](loaded_plugin& plugin) {
            kfc::ks_stdptr<wpsapi::_Application> app = wps_sim::create_application(version);
            QStringList report{result_line(plugin.initialize(app))};
            report << describe_bars(app);
            if (more) more(plugin, app, report);
            return report;
        });
    }

    QTemporaryDir prefix;
    QTemporaryDir tools;
    QString directory;
    QString pkill_record;
};

TEST_F(installed_plugin, the_directory_holds_library_settings_word_list_and_logo) {
    const QFileInfo soname(directory + "/libwpsvelmo.so.1");
    EXPECT_TRUE(soname.isSymLink());
    EXPECT_TRUE(soname.exists());
    EXPECT_TRUE(QFileInfo(soname.canonicalFilePath()).fileName().startsWith("libwpsvelmo.so.1."));
    EXPECT_TRUE(QFileInfo::exists(directory + "/libsp.so"));
    for (const char* name : {"velmo.ini", "findlib.txt", "logo.jpg"}) {
        QFile installed(directory + "/" + name);
        QFile shipped(QString(VELMO_SOURCE_DIR) + "/src/resources/" + name);
        ASSERT_TRUE(installed.open(QIODevice::ReadOnly)) << name;
        ASSERT_TRUE(shipped.open(QIODevice::ReadOnly)) << name;
        EXPECT_EQ(installed.readAll(), shipped.readAll()) << name;
    }
}

TEST_F(installed_plugin, exports_only_the_two_entry_points_with_soname_and_search_path) {
    const QString library = directory + "/libwpsvelmo.so.1";
    int status = -1;
    const QString symbols = run_program({"nm", "-D", "--defined-only", library}, &status);
    ASSERT_EQ(status, 0);
    QStringList names;
    for (const QString& line : symbols.split('\n', Qt::SkipEmptyParts))
        names << line.section(' ', -1);
    names.sort();
    EXPECT_EQ(names, (QStringList{"InitializeWpsPlugins", "UnInitWpsPlugins"}));
    for (const QString& line : symbols.split('\n', Qt::SkipEmptyParts))
        EXPECT_EQ(line.section(' ', 1, 1), "T") << line.toStdString();

    const QString dynamic = run_program({"readelf", "-d", library}, &status);
    ASSERT_EQ(status, 0);
    EXPECT_TRUE(dynamic.contains(QRegularExpression("\\(SONAME\\).*\\[libwpsvelmo\\.so\\.1\\]")));
    const QRegularExpressionMatch runpath =
        QRegularExpression("\\(RUNPATH\\).*\\[(.*)\\]").match(dynamic);
    ASSERT_TRUE(runpath.hasMatch()) << dynamic.toStdString();
    // Its own directory, then each of the host's program directories.
    EXPECT_EQ(runpath.captured(1), QString("$ORIGIN:") + VELMO_WPS_PROGRAM_DIRS);
    // Never unmapped, so that nothing the host keeps can lead into freed code.
    EXPECT_TRUE(dynamic.contains(QRegularExpression("\\(FLAGS_1\\).*NODELETE")));
    for (const char* host_library : {"libwpsapi.so", "libksoapi.so", "libsp.so"})
        EXPECT_TRUE(dynamic.contains(QString("(NEEDED)")) &&
                    dynamic.contains(QString("[%1]").arg(host_library)))
            << host_library;
}

TEST_F(installed_plugin, a_newer_host_gets_ten_bars_named_by_caption) {
    // The shipped settings turn both layouts on.
    for (const char* version : {"12.1.0.0", "", "11.0.1", "11"}) {
        SCOPED_TRACE(std::string("version \"") + version + "\"");
        EXPECT_EQ(start_host(version),
                  QStringList{result_line(S_OK)} + expected_new_style_bars_described());
    }
}

TEST_F(installed_plugin, the_older_host_gets_one_bar_with_everything) {
    use_settings("newstyle=1\noldstyle=1");
    EXPECT_EQ(start_host(old_version), QStringList{result_line(S_OK)} + expected_old_style_bar());
}

TEST_F(installed_plugin, a_second_start_adds_nothing) {
    use_settings("newstyle=1\noldstyle=1");
    for (const char* version : {"12.1.0.0", old_version}) {
        SCOPED_TRACE(version);
        const QStringList report = start_host(
            version, [](const loaded_plugin& plugin, wpsapi::_Application* app, QStringList& out) {
                out << "again" << result_line(plugin.initialize(app)) << describe_bars(app);
                kfc::ks_stdptr<wpsapi::_Application> other = wps_sim::create_application();
                out << "other host" << result_line(plugin.initialize(other))
                    << describe_bars(other);
                out << "handlers " + handler_counts(app);
            });
        const int again = report.indexOf("again");
        const int other = report.indexOf("other host");
        ASSERT_TRUE(again > 1 && other > again) << report.join('\n').toStdString();
        const QStringList bars = report.mid(1, again - 1);
        EXPECT_EQ(report.mid(again + 1, other - again - 1), QStringList{result_line(S_OK)} + bars);
        EXPECT_EQ(report.mid(other),
                  (QStringList{"other host", result_line(S_OK), "handlers " + handlers_each(1)}));
    }
}

TEST_F(installed_plugin, a_host_without_command_bars_fails_once_and_is_not_retried) {
    use_settings("newstyle=1\noldstyle=1");
    // The call fails, or it succeeds without handing out the collection.
    for (const HRESULT status : {E_FAIL, S_OK}) {
        SCOPED_TRACE(status);
        const QStringList seen = with_plugin([status](loaded_plugin& plugin) {
            application_without_bars broken(status);
            QStringList report{result_line(plugin.initialize(&broken))};
            report << QString("requests %1").arg(broken.command_bar_requests());
            kfc::ks_stdptr<wpsapi::_Application> app = wps_sim::create_application();
            report << result_line(plugin.initialize(app)) << describe_bars(app);
            report << QString("requests %1").arg(broken.command_bar_requests());
            return report;
        });
        EXPECT_EQ(seen, (QStringList{result_line(no_command_bars), "requests 1", result_line(S_OK),
                                     "requests 1"}));
    }
}

TEST_F(installed_plugin, a_start_without_application_object_is_refused_and_can_be_retried) {
    use_settings("newstyle=1\noldstyle=1");
    const QStringList seen = with_plugin([](loaded_plugin& plugin) {
        QStringList report{result_line(plugin.initialize(nullptr))};
        kfc::ks_stdptr<wpsapi::_Application> app = wps_sim::create_application();
        report << result_line(plugin.initialize(app));
        report << QString("bars %1").arg(wps_sim::command_bar_names(app).size());
        return report;
    });
    EXPECT_EQ(seen, (QStringList{result_line(no_command_bars), result_line(S_OK), "bars 10"}));
}

TEST_F(installed_plugin, switched_off_layouts_build_nothing_and_missing_settings_the_defaults) {
    const struct {
        const char* settings;  // null: no velmo.ini at all
        const char* version;
    } cases[] = {
        {"newstyle=0\noldstyle=1", "12.1.0.0"},
        {"oldstyle=1", "12.1.0.0"},
        {"newstyle=1\noldstyle=0", old_version},
        {"newstyle=1", old_version},
        {nullptr, "12.1.0.0"},
        {nullptr, old_version},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.settings ? c.settings : "no settings") + " / " + c.version);
        if (c.settings)
            use_settings(c.settings);
        else
            QFile::remove(directory + "/velmo.ini");
        ASSERT_EQ(QFile::exists(directory + "/velmo.ini"), c.settings != nullptr);
        const QStringList report = start_host(c.version);
        if (c.settings) {
            EXPECT_EQ(report, QStringList{result_line(S_OK)});
        } else {
            // Without a settings file the shipped defaults build the bars.
            ASSERT_FALSE(report.isEmpty());
            EXPECT_EQ(report.front(), result_line(S_OK));
            EXPECT_GT(report.size(), 1);
        }
    }
}

TEST_F(installed_plugin, the_kill_command_runs_only_when_asked_for) {
    use_settings("newstyle=1\noldstyle=1\nmovewpsd=0");
    start_host("12.1.0.0");
    use_settings("newstyle=1\noldstyle=1");
    start_host("12.1.0.0");
    EXPECT_FALSE(QFile::exists(pkill_record));

    use_settings("newstyle=0\noldstyle=0\nmovewpsd=1");
    EXPECT_EQ(start_host("12.1.0.0"), QStringList{result_line(S_OK)});
    EXPECT_EQ(read_file(pkill_record), "-9 wpsd\n");
}

TEST_F(installed_plugin, display_items_do_nothing_when_clicked_and_shut_down_withdraws_the_bars) {
    use_settings("newstyle=1\noldstyle=1");
    for (const char* version : {"12.1.0.0", old_version}) {
        SCOPED_TRACE(version);
        const QStringList report = start_host(
            version, [](const loaded_plugin& plugin, wpsapi::_Application* app, QStringList& out) {
                kfc::ks_stdptr<wpsapi::Document> doc =
                    wps_sim::document_builder().paragraph("校对的文字。").open(app);
                const QString text = wps_sim::document_text(doc);
                const QStringList shown = describe_bars(app, false);
                auto state = [&](const char* when) {
                    return QString("%1: kept %2, visible %3, handlers %4")
                        .arg(when)
                        .arg(describe_bars(app, false) == shown)
                        .arg(visible_bar_count(app))
                        .arg(handler_counts(app));
                };
                for (const char* caption : {"状态", "剩余字数", "有效期"}) {
                    kfc::ks_stdptr<ksoapi::CommandBarControl> item = find_item(app, caption);
                    const bool clicked = item && SUCCEEDED(item->Execute());
                    out << QString("click %1 %2").arg(caption).arg(clicked);
                }
                out << state("after clicks")
                    << QString("text kept %1").arg(wps_sim::document_text(doc) == text);
                plugin.uninitialize();
                out << state("after shut-down") << result_line(plugin.initialize(app))
                    << state("after a second start");
            });
        const int clicks = report.indexOf("click 状态 1");
        ASSERT_GT(clicks, 1) << report.join('\n').toStdString();
        const QString bars = QString::number(clicks - 1);
        const QString live = "kept 1, visible " + bars + ", handlers " + handlers_each(1);
        EXPECT_EQ(report.mid(clicks),
                  (QStringList{"click 状态 1", "click 剩余字数 1", "click 有效期 1",
                               "after clicks: " + live, "text kept 1",
                               "after shut-down: kept 1, visible 0, handlers " + handlers_each(0),
                               result_line(S_OK), "after a second start: " + live}));
    }
}

TEST_F(installed_plugin, leftover_items_are_dead_after_unloading_and_a_reload_reuses_them) {
    use_settings("newstyle=1\noldstyle=1");
    const QString dir = directory;
    for (const char* version : {"12.1.0.0", old_version}) {
        SCOPED_TRACE(version);
        const QStringList seen = with_plugin([dir, version](loaded_plugin& plugin) {
            kfc::ks_stdptr<wpsapi::_Application> app = wps_sim::create_application(version);
            QStringList report{result_line(plugin.initialize(app))};
            const QStringList first = describe_bars(app);
            std::vector<kfc::ks_stdptr<ksoapi::CommandBarControl>> leftovers;
            for (const expected_item& item : expected_items())
                leftovers.push_back(find_item(app, item.caption));
            plugin.uninitialize();
            report << QString("closed %1").arg(plugin.close());
            report << "handlers " + handler_counts(app);
            // A handler still bound would run (a dialog, a message) or jump
            // into the unloaded library; neither may happen.
            if (handler_counts(app) != handlers_each(0)) return report;
            int clicked = 0;
            for (const auto& control : leftovers)
                clicked += control && SUCCEEDED(control->Execute());
            report << QString("clicked %1").arg(clicked);

            loaded_plugin again(dir);
            if (!again.ok()) return report << "reload failed: " + again.error();
            report << result_line(again.initialize(app));
            report << QString("same bars %1, visible %2")
                          .arg(describe_bars(app) == first)
                          .arg(visible_bar_count(app) == first.size());
            report << "handlers " + handler_counts(app);
            return report;
        });
        const QString items = QString::number(expected_items().size());
        EXPECT_EQ(seen, (QStringList{result_line(S_OK), "closed 1", "handlers " + handlers_each(0),
                                     "clicked " + items, result_line(S_OK),
                                     "same bars 1, visible 1", "handlers " + handlers_each(1)}));
    }
}

}  // namespace
