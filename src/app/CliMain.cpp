#include <iostream>
#include <string>
#include <vector>

#include "app/Cli.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return lumexa::app::RunCli(args, std::cout, std::cerr, std::cin);
}
