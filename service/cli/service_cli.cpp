#include "cli/service_cli.h"

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <thread>

#include "base/service_clock.h"
#include "cli/service_db_access.h"
#include "cli/service_evaluation.h"
#include "rules/service_engine.h"
#include "store/service_store.h"

#ifndef VELMO_SERVICE_DATA_DIR
#define VELMO_SERVICE_DATA_DIR "data"
#endif
#ifndef VELMO_SERVICE_VERSION
#define VELMO_SERVICE_VERSION "unknown"
#endif

namespace velmo_service {

const char* const demo_user_name = "demo";
const char* const demo_auth_no = "demo-2026";

namespace {
constexpr std::int64_t demo_quota = 10000000;
const char* const demo_end_date = "2099-12-31";

const char* const usage_text =
    "usage:\n"
    "  velmo-service serve --listen ADDR:PORT --db FILE|postgresql://... [--data DIR] [--demo]\n"
    "                [--body-limit BYTES] [--job-expiry SECONDS] [--max-jobs N]\n"
    "                [--workers N] [--http-threads N] [--max-article UNITS] [--lease SECONDS]\n"
    "                [--max-jobs-per-user N] [--request-timeout SECONDS]\n"
    "                [--max-connections-per-address N] [--stop-timeout SECONDS]\n"
    "                [--trusted-proxy ADDR] [--idle-timeout SECONDS] [--head-timeout SECONDS]\n"
    "                [--max-connections N] [--max-words-per-user N] [--log-findings]\n"
    "                [--profile office|learners]\n"
    "  velmo-service user add NAME --auth NUMBER --quota WORDS --end yyyy-MM-dd --db FILE\n"
    "  velmo-service user set NAME [--auth NUMBER] [--quota WORDS] [--end DATE]\n"
    "                [--state active|disabled] [--used WORDS] --db FILE\n"
    "  velmo-service user list --db FILE\n"
    "  velmo-service user remove NAME --db FILE\n"
    "  velmo-service migrate --from FILE --to postgresql://...\n"
    "  velmo-service eval FILE... [--data DIR] [--limit N] [--only RULE,... | --without RULE,...]\n"
    "                    [--profile office|learners] [--part training|held-back] [--rows]\n"
    "                    [--show]\n"
    "  velmo-service --version\n";

// "--name value" pairs after the positional arguments; a flag without value maps to "".
bool split_options(const std::vector<std::string>& args, std::size_t from,
                   const std::vector<std::string>& flags, std::vector<std::string>& positional,
                   std::map<std::string, std::string>& options, std::string* error) {
    for (std::size_t i = from; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.compare(0, 2, "--") != 0) {
            positional.push_back(a);
            continue;
        }
        bool is_flag = false;
        for (const std::string& f : flags) is_flag = is_flag || f == a;
        if (is_flag) {
            options[a] = "";
            continue;
        }
        if (i + 1 >= args.size()) {
            *error = "option " + a + " needs a value";
            return false;
        }
        options[a] = args[++i];
    }
    return true;
}

bool parse_count(const std::string& text, long long lo, long long hi, long long& out) {
    try {
        std::size_t used = 0;
        out = std::stoll(text, &used);
        return used == text.size() && out >= lo && out <= hi;
    } catch (...) {
        return false;
    }
}

bool parse_listen(const std::string& text, server_config& s) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    long long port = 0;
    if (!parse_count(text.substr(colon + 1), 0, 65535, port)) return false;
    s.host = text.substr(0, colon);
    s.port = static_cast<int>(port);
    return true;
}

bool open_store(service_store& store, const std::map<std::string, std::string>& options,
                std::ostream& err) {
    auto db = options.find("--db");
    if (db == options.end()) {
        err << "missing --db FILE\n";
        return false;
    }
    std::string error;
    if (!store.open(db->second, &error)) {
        err << "cannot open database " << db->second << ": " << error << "\n";
        return false;
    }
    return true;
}

const char* state_name(const account& a) {
    return a.state == state_disabled         ? "disabled"
           : a.end_date < clock_today_text() ? "expired"
                                             : "active";
}

int serve(const serve_options& o) {
    service_store store;
    std::string error;
    // Refused here, with the reason in the log, rather than refusing every
    // upload later.
    if (!cli_database_writable(o.db_path, &error)) {
        std::cerr << "velmo-service: " << error << "\n";
        return cli_exit_config;
    }
    if (!store.open(o.db_path, &error)) {
        std::cerr << "cannot open database " << o.db_path << ": " << error << "\n";
        return 1;
    }
    if (o.demo && !cli_ensure_demo_account(store)) {
        std::cerr << "cannot create the demo account\n";
        return 1;
    }
    engine_config ec;
    ec.data_dir = o.data_dir;
    ec.log_findings = o.log_findings;
    ec.profile = o.profile;
    check_engine engine(ec);

    // Signals are taken by one waiting thread, so the server stops cleanly.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::unique_ptr<service_operations> operations;
    try {
        operations = std::make_unique<service_operations>(store, engine, o.limits);
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    service_server server(*operations, o.server);
    if (!server.bind(&error)) {
        std::cerr << error << "\n";
        return 1;
    }
    std::cerr << "velmo-service: " << engine.misspelling_count() << " misspellings, English "
              << (engine.english_ready() ? "on" : "unavailable") << ", traditional characters "
              << (engine.traditional_ready() ? "on" : "unavailable") << "\n";
    std::cout << "velmo-service listening on " << o.server.host << ":" << server.port()
              << std::endl;
    std::thread waiter([&] {
        int sig = 0;
        sigwait(&signals, &sig);
        server.stop();
    });
    server.run();
    // A stop that did not come from a signal: wake the waiting thread.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    // No request arrives any more: running jobs get their grace, every job
    // that will not be fetched is refunded, and a job still running past the
    // grace is not waited for.
    if (const std::size_t still_running = operations->jobs().stop(o.stop_grace)) {
        std::cerr << "velmo-service: " << still_running << " jobs cut short\n";
        std::cout.flush();
        std::_Exit(0);
    }
    return 0;
}
}  // namespace

bool cli_parse_serve(const std::vector<std::string>& args, serve_options& out, std::string* error) {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    if (!split_options(args, 0, {"--demo", "--log-findings"}, positional, options, error))
        return false;
    if (!positional.empty()) {
        *error = "unexpected argument " + positional[0];
        return false;
    }
    out.data_dir = VELMO_SERVICE_DATA_DIR;
    for (const auto& [name, value] : options) {
        long long n = 0;
        if (name == "--listen") {
            if (!parse_listen(value, out.server)) {
                *error = "--listen needs ADDR:PORT";
                return false;
            }
        } else if (name == "--db") {
            out.db_path = value;
        } else if (name == "--data") {
            out.data_dir = value;
        } else if (name == "--demo") {
            out.demo = true;
        } else if (name == "--log-findings") {
            out.log_findings = true;
        } else if (name == "--profile" && profile_named(value, out.profile)) {
        } else if (name == "--body-limit" && parse_count(value, 1024, 1LL << 30, n)) {
            out.server.body_limit = static_cast<std::size_t>(n);
        } else if (name == "--job-expiry" && parse_count(value, 1, 7 * 24 * 3600, n)) {
            out.limits.jobs.expiry = std::chrono::seconds(n);
        } else if (name == "--max-jobs" && parse_count(value, 1, 10000000, n)) {
            out.limits.jobs.max_jobs = static_cast<std::size_t>(n);
        } else if (name == "--workers" && parse_count(value, 1, 256, n)) {
            out.limits.jobs.workers = static_cast<int>(n);
        } else if (name == "--http-threads" && parse_count(value, 1, 1024, n)) {
            out.server.http_threads = static_cast<int>(n);
        } else if (name == "--max-jobs-per-user" && parse_count(value, 1, 10000000, n)) {
            out.limits.jobs.max_jobs_per_user = static_cast<std::size_t>(n);
        } else if (name == "--request-timeout" && parse_count(value, 1, 3600, n)) {
            out.server.request_timeout = std::chrono::seconds(n);
        } else if (name == "--max-connections-per-address" && parse_count(value, 1, 100000, n)) {
            out.server.connections_per_address = static_cast<std::size_t>(n);
        } else if (name == "--head-timeout" && parse_count(value, 1, 3600, n)) {
            out.server.head_timeout = std::chrono::seconds(n);
        } else if (name == "--idle-timeout" && parse_count(value, 1, 3600, n)) {
            out.server.idle_timeout = std::chrono::seconds(n);
        } else if (name == "--max-connections" && parse_count(value, 1, 10000000, n)) {
            out.server.max_connections = static_cast<std::size_t>(n);
        } else if (name == "--max-words-per-user" && parse_count(value, 0, 100000000, n)) {
            out.limits.max_words_per_user = n;
        } else if (name == "--trusted-proxy") {
            out.server.trusted_proxy = value;
        } else if (name == "--stop-timeout" && parse_count(value, 0, 3600, n)) {
            out.stop_grace = std::chrono::seconds(n);
        } else if (name == "--lease" && parse_count(value, 1, 24 * 3600, n)) {
            out.limits.jobs.lease = std::chrono::seconds(n);
        } else if (name == "--max-article" && parse_count(value, 1, 100000000, n)) {
            out.limits.max_article_units = static_cast<std::size_t>(n);
        } else {
            *error = "bad option " + name + " " + value;
            return false;
        }
    }
    out.server.drain_timeout = out.stop_grace;
    if (out.db_path.empty()) {
        *error = "missing --db FILE";
        return false;
    }
    return true;
}

bool cli_ensure_demo_account(service_store& store) {
    if (store.find_user(demo_user_name)) return true;
    std::string error;
    // Another instance starting beside this one may have added it meanwhile.
    return store.add_user(demo_user_name, demo_auth_no, demo_quota, demo_end_date, &error) ||
           store.find_user(demo_user_name).has_value();
}

int cli_run_migrate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    std::string error;
    if (!split_options(args, 0, {}, positional, options, &error) || !positional.empty() ||
        !options.count("--from") || !options.count("--to") || options.size() != 2) {
        err << (error.empty() ? usage_text : error + "\n");
        return 2;
    }
    service_store from, to;
    for (auto [store, option] :
         {std::pair<service_store*, const char*>{&from, "--from"}, {&to, "--to"}}) {
        if (!store->open(options[option], &error)) {
            err << "cannot open database " << options[option] << ": " << error << "\n";
            return 1;
        }
    }
    std::vector<std::string> skipped;
    if (!to.copy_from(from, &skipped, &error)) {
        err << "copy failed: " << error << "\n";
        return 1;
    }
    for (const std::string& name : skipped) err << "kept the existing account " << name << "\n";
    out << "copied " << from.list_users().size() - skipped.size() << " accounts\n";
    return 0;
}

int cli_run_user(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    std::string error;
    if (args.empty() || !split_options(args, 1, {}, positional, options, &error)) {
        err << (error.empty() ? usage_text : error + "\n");
        return 2;
    }
    const std::string& verb = args[0];
    service_store store;
    auto option = [&](const char* name) -> std::optional<std::string> {
        auto it = options.find(name);
        return it == options.end() ? std::nullopt : std::optional<std::string>(it->second);
    };
    auto count_option = [&](const char* name, std::optional<std::int64_t>& v) {
        auto text = option(name);
        if (!text) return true;
        long long n = 0;
        if (!parse_count(*text, 0, 1LL << 50, n)) {
            err << name << " needs a non-negative number\n";
            return false;
        }
        v = n;
        return true;
    };
    auto date_option = [&](std::optional<std::string>& v) {
        v = option("--end");
        if (v && !clock_is_date(*v)) {
            err << "--end needs a date yyyy-MM-dd\n";
            return false;
        }
        return true;
    };

    if (verb == "list") {
        if (!open_store(store, options, err)) return 1;
        for (const account& a : store.list_users())
            out << a.user_name << "\t" << state_name(a) << "\tquota " << a.quota << "\tused "
                << a.used << "\tend " << a.end_date << "\n";
        for (const std::vector<std::string>& alike : store.look_alike_accounts()) {
            out << "look-alike accounts (one name in two Unicode forms):";
            for (const std::string& name : alike) out << " " << name;
            out << "\n";
        }
        return 0;
    }
    if (positional.size() != 1) {
        err << usage_text;
        return 2;
    }
    const std::string& name = positional[0];
    if (verb == "add") {
        std::optional<std::int64_t> quota;
        std::optional<std::string> end, auth = option("--auth");
        if (!auth || !count_option("--quota", quota) || !quota || !date_option(end) || !end) {
            err << "user add needs --auth, --quota and --end\n";
            return 2;
        }
        if (!open_store(store, options, err)) return 1;
        if (!store.add_user(name, *auth, *quota, *end, &error)) {
            err << "cannot add " << name << ": " << error << "\n";
            return 1;
        }
        out << "added " << name << "\n";
        return 0;
    }
    if (verb == "set") {
        std::optional<std::int64_t> quota, used;
        std::optional<std::string> end;
        std::optional<int> state;
        if (!count_option("--quota", quota) || !count_option("--used", used) || !date_option(end))
            return 2;
        if (auto s = option("--state")) {
            if (*s != "active" && *s != "disabled") {
                err << "--state is active or disabled\n";
                return 2;
            }
            state = *s == "active" ? state_active : state_disabled;
        }
        if (!open_store(store, options, err)) return 1;
        if (!store.set_user(name, option("--auth"), state, quota, end, used)) {
            err << "no user " << name << "\n";
            return 1;
        }
        out << "changed " << name << "\n";
        return 0;
    }
    if (verb == "remove") {
        if (!open_store(store, options, err)) return 1;
        if (!store.remove_user(name)) {
            err << "no user " << name << "\n";
            return 1;
        }
        out << "removed " << name << "\n";
        return 0;
    }
    err << usage_text;
    return 2;
}

// `eval FILE... [--data DIR] [--limit N] [--only IDS | --without IDS]
// [--profile NAME] [--part training|held-back] [--rows] [--show]`: the
// engine's scores on each labelled file (the project's or the bake-offs').
int evaluate(const std::vector<std::string>& args) {
    engine_config ec;
    ec.data_dir = VELMO_SERVICE_DATA_DIR;
    bakeoff_settings settings;
    bool show = false;
    std::string only, without;
    std::vector<std::string> files;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const bool has_value = i + 1 < args.size();
        if (args[i].compare(0, 2, "--") != 0) {
            files.push_back(args[i]);
        } else if (args[i] == "--show") {
            show = true;
        } else if (args[i] == "--rows") {
            settings.by_row = true;
        } else if (has_value && args[i] == "--data") {
            ec.data_dir = args[++i];
        } else if (has_value && args[i] == "--limit") {
            settings.limit = std::atoi(args[++i].c_str());
        } else if (has_value && args[i] == "--profile" && profile_named(args[i + 1], ec.profile)) {
            ++i;
        } else if (has_value && args[i] == "--part" &&
                   (args[i + 1] == "training" || args[i + 1] == "held-back")) {
            settings.part =
                args[++i] == "training" ? bakeoff_part::training : bakeoff_part::held_back;
        } else if (has_value && (args[i] == "--only" || args[i] == "--without")) {
            (args[i] == "--only" ? only : without) = "," + args[i + 1] + ",";
            ++i;
        } else {
            std::cerr << usage_text;
            return 2;
        }
    }
    const check_options defaults = evaluation_options();
    if (!only.empty() || !without.empty())
        settings.rules = [only, without, defaults](std::string_view id) {
            const std::string key = "," + std::string(id) + ",";
            if (!only.empty()) return only.find(key) != std::string::npos;
            const rule_spec* r = rule_find(id);
            return defaults.*(r->option) && without.find(key) == std::string::npos;
        };
    if (files.empty()) {
        std::cerr << usage_text;
        return 2;
    }
    const check_engine engine(ec);
    for (const std::string& file : files) {
        // Several files are told apart by a line that names each.
        if (files.size() > 1) std::cout << "file " << file << "\n";
        std::string error;
        if (evaluation_is_bakeoff(file)) {
            bakeoff_result result;
            if (!evaluation_run_bakeoff(engine, file, settings, result, &error)) {
                std::cerr << error << "\n";
                return 1;
            }
            evaluation_print_bakeoff(result, show, std::cout);
            continue;
        }
        evaluation_result result;
        if (!evaluation_run(engine, file, result, &error, settings.rules)) {
            std::cerr << error << "\n";
            return 1;
        }
        evaluation_print(result, std::cout);
    }
    return 0;
}

namespace {
// Every open connection holds a descriptor: take all the system allows.
void raise_descriptor_limit() {
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
}

int run_command(const std::vector<std::string>& args);
}  // namespace

int cli_main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "velmo-service " << VELMO_SERVICE_VERSION << "\n";
        return 0;
    }
    if (args.size() == 1 && args[0] == "--help") {
        std::cout << usage_text;
        return 0;
    }
    try {
        return run_command(args);
    } catch (const store_unavailable& e) {
        std::cerr << "velmo-service: the database failed: " << e.what() << "\n";
        return 1;
    }
}

namespace {
int run_command(const std::vector<std::string>& args) {
    if (!args.empty() && args[0] == "serve") {
        serve_options o;
        std::string error;
        if (!cli_parse_serve(std::vector<std::string>(args.begin() + 1, args.end()), o, &error)) {
            std::cerr << error << "\n" << usage_text;
            return 2;
        }
        raise_descriptor_limit();
        return serve(o);
    }
    if (!args.empty() && args[0] == "migrate")
        return cli_run_migrate(std::vector<std::string>(args.begin() + 1, args.end()), std::cout,
                               std::cerr);
    if (args.size() >= 2 && args[0] == "eval") return evaluate(args);
    if (!args.empty() && args[0] == "user")
        return cli_run_user(std::vector<std::string>(args.begin() + 1, args.end()), std::cout,
                            std::cerr);
    std::cerr << usage_text;
    return 2;
}

}  // namespace

}  // namespace velmo_service
