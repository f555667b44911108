// kestrano: the command-line front end of the line-detection pipeline.
#include <exception>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "cli/batch_results.h"
#include "cli/command_line.h"
#include "cli/help_text.h"
#include "cli/interrupts.h"
#include "cli/run_command.h"
#include "render/offscreen_gui.h"

using namespace kestrano;

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // The results folder's pictures are drawn with Qt, offscreen.
    std::optional<OffscreenGui> gui;
    try {
        const CommandLine command = parseCommandLine(arguments);
        switch (command.action) {
        case CommandAction::Help:
            std::cout << helpText();
            return 0;
        case CommandAction::Version:
            std::cout << versionText();
            return 0;
        case CommandAction::Summary:
            gui.emplace();
            startInterruptWatcher();
            return summaryCommand(command.summaryDir, std::cerr);
        case CommandAction::Run:
            break;
        }
        if (!command.outputDir.empty())
            gui.emplace();
        startInterruptWatcher();
        return runCommand(command, std::cerr);
    } catch (const UsageError& error) {
        std::cerr << "kestrano: " << error.what() << "\n" << usageText()
                  << "Try 'kestrano --help' for more information." << std::endl;
        return 2;
    } catch (const std::bad_alloc&) {
        std::cerr << "kestrano: error: not enough memory" << std::endl;
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "kestrano: error: " << error.what() << std::endl;
        return 2;
    }
}
