#include <CLI/CLI.hpp>
#include <iostream>

#include "commands.h"

int main(int argc, char** argv) {
    CLI::App app{"salvor-cli: recover data from virtual machine disk images"};
    app.require_subcommand(1);

    std::string image;
    auto* info = app.add_subcommand("info", "Print the VDI header values the image page shows");
    info->add_option("IMAGE", image, "VDI image file")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        return rc == 0 ? 0 : salvor::cli::kExitError;
    }

    if (*info) return salvor::cli::runInfo(image, std::cout, std::cerr);
    return salvor::cli::kExitError;
}
