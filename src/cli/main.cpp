// velisto-cli: Velisto without a window.
#include "Commands.h"

#include "files/PosixFileSync.h"

#include <iostream>

int main(int argc, char** argv)
{
    velisto::PosixFileSync durableSaves;
    velisto::installFileSync(&durableSaves);
    std::vector<std::string> args(argv + 1, argv + argc);
    return velisto::runCli(args, std::cout, std::cerr);
}
