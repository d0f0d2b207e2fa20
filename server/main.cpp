// lumora-server: the reference toolbar server, product web server and rules store.
#include "admin_commands.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunCommand(args, std::cout, std::cerr);
}
