#include <iostream>

#include "cli/cli.h"

#include "platform/backend_factory.h"

int main(int argc, char** argv) {
    quellon::platform::UseBinaryStandardStreams();
    return quellon::cli::Run(argc, argv, std::cout, std::cerr);
}
