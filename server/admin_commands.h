// The command line of lumora-server: "run" and the operator's commands on the rules store.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Runs one command (arguments without the program name). Returns the exit code: 0 on success,
// 1 when the command failed (nothing was written), 2 for a usage error.
int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
