#include "ProgramPrinter.h"

#include <cstring>
#include <iostream>

namespace {

int usage()
{
    std::cerr << "usage: nebpt-host --print <drive image.json>\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--print") == 0)
        return printProgram(argv[2], std::cout, std::cerr);
    return usage();
}
