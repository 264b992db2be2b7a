#include <CLI/CLI.hpp>
#include <iostream>

#include "commands.h"

int main(int argc, char** argv) {
    CLI::App app{"salvor-cli: recover data from virtual machine disk images"};
    app.require_subcommand(1);

    std::string image;
    auto* info = app.add_subcommand("info", "Print the VDI header values the image page shows");
    info->add_option("IMAGE", image, "VDI image file")->required();

    salvor::cli::VolumesOptions vopt;
    auto* volumes = app.add_subcommand("volumes", "List the volumes the volume list page finds");
    volumes->add_option("IMAGE", image, "VDI image file")->required();
    volumes->add_flag("--gpt", vopt.gpt, "read the GPT (standard scan)");
    auto* advanced = volumes->add_flag("--advanced", vopt.advanced, "scan every sector for volumes");
    volumes->add_flag("--no-skip", vopt.noSkip, "do not jump over a volume once found")->needs(advanced);
    auto* startOpt = volumes->add_option("--start", vopt.startSector, "first sector of the advanced scan")
                         ->needs(advanced)->check(CLI::NonNegativeNumber);
    auto* endOpt = volumes->add_option("--end", vopt.endSector, "last sector of the advanced scan")
                       ->needs(advanced)->check(CLI::NonNegativeNumber);
    startOpt->needs(endOpt);
    endOpt->needs(startOpt);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        return rc == 0 ? 0 : salvor::cli::kExitError;
    }

    if (*info) return salvor::cli::runInfo(image, std::cout, std::cerr);
    if (*volumes) return salvor::cli::runVolumes(image, vopt, std::cout, std::cerr);
    return salvor::cli::kExitError;
}
