// Command line of velmo-service:
//   velmo-service serve --listen ADDR:PORT --db FILE|postgresql://... [--data DIR] [--demo]
//                 [--body-limit BYTES] [--job-expiry SECONDS] [--max-jobs N]
//                 [--workers N] [--http-threads N] [--max-article UNITS] [--lease SECONDS]
//                 [--max-jobs-per-user N] [--request-timeout SECONDS]
//                 [--max-connections-per-address N] [--stop-timeout SECONDS]
//                 [--trusted-proxy ADDR] [--idle-timeout SECONDS]
//                 [--max-connections N] [--max-words-per-user N]
//   velmo-service user add NAME --auth NUMBER --quota WORDS --end yyyy-MM-dd --db FILE
//   velmo-service user set NAME [--auth NUMBER] [--quota WORDS] [--end DATE]
//                 [--state active|disabled] [--used WORDS] --db FILE
//   velmo-service user list --db FILE
//   velmo-service user remove NAME --db FILE
//   velmo-service migrate --from FILE --to postgresql://...
//   velmo-service eval FILE [--data DIR]
//   velmo-service --version | --help
#pragma once

#include <chrono>
#include <iosfwd>
#include <string>
#include <vector>

#include "http/service_operations.h"
#include "http/service_server.h"

namespace velmo_service {

struct serve_options {
    server_config server;
    service_limits limits;
    std::string db_path;
    std::string data_dir;
    bool demo = false;
    bool log_findings = false;  // one line per finding with its rule's id on stderr
    check_profile profile = check_profile::office;  // of checks that name none
    // On SIGINT/SIGTERM answers being worked on leave, and running jobs may
    // finish, within this; the jobs not handed over are refunded.
    std::chrono::milliseconds stop_grace{10000};
};

// The demo account that `serve --demo` creates when it is missing.
extern const char* const demo_user_name;
extern const char* const demo_auth_no;

// Exit status of a start refused for its configuration (an unwritable
// database): the unit does not restart the service for it.
constexpr int cli_exit_config = 78;

bool cli_parse_serve(const std::vector<std::string>& args, serve_options& out, std::string* error);
// Creates the demo account when missing; true when it exists afterwards.
bool cli_ensure_demo_account(service_store& store);
// `user ...` administration; returns the process exit status.
int cli_run_user(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// `migrate`: copies accounts, usage and word libraries between databases.
int cli_run_migrate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// The whole program.
int cli_main(int argc, char** argv);

}  // namespace velmo_service
