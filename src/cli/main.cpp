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

    salvor::cli::LsOptions lsopt;
    auto* ls = app.add_subcommand("ls", "List every entry of a volume as the browse page finds it");
    ls->add_option("IMAGE", image, "VDI image file")->required();
    ls->add_option("--volume", lsopt.volume, "row index of the volume (as salvor-cli volumes prints it)")->required();
    ls->add_flag("--gpt", lsopt.gpt, "read the GPT");
    ls->add_flag("--json", lsopt.json, "one JSON object per line");
    auto addModes = [](CLI::App* cmd, salvor::cli::ModeOptions& m) {
        cmd->add_option("--mode", m.mode, "NTFS recovery mode")->check(CLI::IsMember({"standard", "advanced", "deep"}));
        cmd->add_option("--candidate", m.candidate, "advanced: the MFT copy (as candidates lists them)");
        cmd->add_option("--cluster-sectors", m.clusterSectors, "advanced: sectors per cluster")->check(CLI::Range(1, 4096));
    };
    addModes(ls, lsopt.mode);

    salvor::cli::SaveOptions saveopt;
    auto* save = app.add_subcommand("save", "Save entries of a volume into a folder");
    save->add_option("IMAGE", image, "VDI image file")->required();
    save->add_option("--volume", saveopt.volume, "row index of the volume (as salvor-cli volumes prints it)")->required();
    save->add_option("--out", saveopt.out, "output folder (must exist)")->required();
    save->add_flag("--gpt", saveopt.gpt, "read the GPT");
    save->add_option("PATH", saveopt.paths, "entries as salvor-cli ls prints them (none: the whole volume)");
    addModes(save, saveopt.mode);

    salvor::cli::CandidatesOptions candopt;
    auto* candidates = app.add_subcommand("candidates", "List the MFT copies found on an NTFS volume");
    candidates->add_option("IMAGE", image, "VDI image file")->required();
    candidates->add_option("--volume", candopt.volume, "row index of the volume")->required();
    candidates->add_option("--max", candopt.max, "how many copies to look for (at least)");
    candidates->add_flag("--gpt", candopt.gpt, "read the GPT");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        return rc == 0 ? 0 : salvor::cli::kExitError;
    }

    if (*info) return salvor::cli::runInfo(image, std::cout, std::cerr);
    if (*volumes) return salvor::cli::runVolumes(image, vopt, std::cout, std::cerr);
    if (*ls) return salvor::cli::runLs(image, lsopt, std::cout, std::cerr);
    if (*save) return salvor::cli::runSave(image, saveopt, std::cout, std::cerr);
    if (*candidates) return salvor::cli::runCandidates(image, candopt, std::cout, std::cerr);
    return salvor::cli::kExitError;
}
