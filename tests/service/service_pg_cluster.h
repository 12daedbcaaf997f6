// A throw-away PostgreSQL cluster for the service tests: initdb and pg_ctl of
// the installed server binaries, a data directory in a temporary folder, and
// a unix socket in that folder only (no TCP port), stopped when the test
// program ends. When the program runs as root, the server runs as the
// postgres system user, since it refuses to run as root.
#pragma once

#include <string>

namespace velmo_test {

class pg_cluster {
  public:
    // The cluster of this test program, started on first use; nullptr when the
    // server binaries are not installed (the caller skips its test).
    static pg_cluster* shared();
    // A new empty database, as a postgresql:// address.
    std::string new_database();
    // Stops the server the way an administrator does (its sessions are ended)
    // and starts it again on the same data: a real outage of the database.
    void take_down();
    void bring_back();
    ~pg_cluster();

  private:
    pg_cluster() = default;
    bool start();
    std::string run_as_owner(const std::string& command) const;
    std::string pg_ctl(const std::string& action) const;

    std::string bin_dir_;
    std::string dir_;
    int databases_ = 0;
};

}  // namespace velmo_test
