#include "service_pg_cluster.h"

#include <libpq-fe.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace velmo_test {

namespace {
// The newest installed server version's binaries (Debian keeps them per version).
std::string find_bin_dir() {
    std::error_code ec;
    std::string best;
    for (const auto& e : std::filesystem::directory_iterator("/usr/lib/postgresql", ec)) {
        const std::string bin = e.path().string() + "/bin";
        if (std::filesystem::exists(bin + "/initdb") && std::filesystem::exists(bin + "/pg_ctl") &&
            bin > best)
            best = bin;
    }
    return best;
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }
}  // namespace

pg_cluster* pg_cluster::shared() {
    static std::unique_ptr<pg_cluster> cluster = [] {
        std::unique_ptr<pg_cluster> c(new pg_cluster());
        c->bin_dir_ = find_bin_dir();
        if (c->bin_dir_.empty()) return std::unique_ptr<pg_cluster>();
        if (!c->start())
            throw std::runtime_error("cannot start a PostgreSQL cluster in " + c->dir_);
        return c;
    }();
    return cluster.get();
}

std::string pg_cluster::run_as_owner(const std::string& command) const {
    return geteuid() == 0 ? "runuser -u postgres -- " + command : command;
}

bool pg_cluster::start() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velmo-pg-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return false;
    dir_ = pattern;
    if (geteuid() == 0) {
        const passwd* owner = getpwnam("postgres");
        if (!owner || chown(dir_.c_str(), owner->pw_uid, owner->pw_gid) != 0) return false;
    }
    const std::string data = dir_ + "/data";
    const std::string init = run_as_owner(bin_dir_ + "/initdb -D " + quoted(data) +
                                          " -U postgres -A trust -E UTF8 --locale=C --no-sync > " +
                                          quoted(dir_ + "/initdb.log") + " 2>&1");
    return std::system(init.c_str()) == 0 && std::system(pg_ctl("start").c_str()) == 0;
}

std::string pg_cluster::pg_ctl(const std::string& action) const {
    const std::string options = "-c listen_addresses='' -c unix_socket_directories=" + dir_ +
                                " -c fsync=off -c synchronous_commit=off -c max_connections=300";
    return run_as_owner(bin_dir_ + "/pg_ctl -D " + quoted(dir_ + "/data") + " -o \"" + options +
                        "\" -l " + quoted(dir_ + "/server.log") + " -w -t 60 " + action +
                        " > /dev/null");
}

void pg_cluster::take_down() {
    if (std::system(pg_ctl("-m fast stop").c_str()) != 0)
        throw std::runtime_error("cannot stop the PostgreSQL cluster in " + dir_);
}

void pg_cluster::bring_back() {
    if (std::system(pg_ctl("start").c_str()) != 0)
        throw std::runtime_error("cannot start the PostgreSQL cluster in " + dir_);
}

pg_cluster::~pg_cluster() {
    const std::string stop = run_as_owner(bin_dir_ + "/pg_ctl -D " + quoted(dir_ + "/data") +
                                          " -m immediate -w stop > /dev/null 2>&1");
    std::system(stop.c_str());
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

std::string pg_cluster::new_database() {
    const std::string name =
        "velmo_" + std::to_string(getpid()) + "_" + std::to_string(++databases_);
    PGconn* c = PQconnectdb(("postgresql://postgres@/postgres?host=" + dir_).c_str());
    PGresult* r = PQexec(c, ("CREATE DATABASE " + name).c_str());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    const std::string error = PQerrorMessage(c);
    PQclear(r);
    PQfinish(c);
    if (!ok) throw std::runtime_error("cannot create a database: " + error);
    return "postgresql://postgres@/" + name + "?host=" + dir_;
}

}  // namespace velmo_test
