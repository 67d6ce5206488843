// velisto-cli: Velisto without a window.
#include "Commands.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return velisto::runCli(args, std::cout, std::cerr);
}
