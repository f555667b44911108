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
        case CommandAction::Run:
            break;
        }
        // First: every thread started later (Qt's drawing threads too)
        // inherits its blocked SIGINT and SIGTERM, so only the watcher takes them.
        startInterruptWatcher();
        if (command.action == CommandAction::Summary) {
            gui.emplace();
            return summaryCommand(command.summaryDir, std::cerr);
        }
        // Qt draws the pictures; without them the report needs no fonts.
        if (!command.outputDir.empty() && !command.noPictures)
            gui.emplace();
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
