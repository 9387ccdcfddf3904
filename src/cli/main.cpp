#include <iostream>

#include "cli/CommandLine.h"

int main(int argc, char** argv) {
    return quorvel::runCommandLine(argc, argv, std::cout, std::cerr);
}
