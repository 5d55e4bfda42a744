// The `today` command: the host application's manager on the command line.
#include "tools/today/Command.hpp"

int main(int argc, char** argv) { return today::cli::runCommand(argc, argv); }
