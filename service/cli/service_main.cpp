#include "cli/service_cli.h"

int main(int argc, char** argv) { return velmo_service::cli_main(argc, argv); }
