#include "cli/interrupts.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace kestrano {

namespace {

std::recursive_mutex& registryMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}

std::set<std::string>& registry()
{
    static std::set<std::string> paths;
    return paths;
}

void writeError(const char* text)
{
    std::size_t length = 0;
    while (text[length] != '\0')
        ++length;
    const ssize_t ignored = ::write(STDERR_FILENO, text, length);
    (void)ignored;
}

[[noreturn]] void removeTemporariesAndExit(int signal)
{
    registryMutex().lock();  // never released: publications and creations stop here
    for (const std::string& path : registry()) {
        // A worker may still be adding files to the folder; retry until it is gone.
        for (int attempt = 0; attempt < 50; ++attempt) {
            std::error_code error;
            std::filesystem::remove_all(path, error);
            if (!error && !std::filesystem::exists(std::filesystem::symlink_status(path, error)))
                break;
        }
    }
    writeError(signal == SIGINT ? "kestrano: interrupted\n" : "kestrano: terminated\n");
    ::_exit(128 + signal);
}

}  // namespace

void startInterruptWatcher()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    try {
        std::thread([signals] {
            int signal = 0;
            while (sigwait(&signals, &signal) != 0) {
            }
            removeTemporariesAndExit(signal);
        }).detach();
    } catch (const std::system_error&) {
        throw std::runtime_error("not enough memory to start a thread (raise the process's memory or thread limits)");
    }
}

std::unique_lock<std::recursive_mutex> holdInterrupts()
{
    return std::unique_lock<std::recursive_mutex>(registryMutex());
}

void registerTemporary(const std::string& path)
{
    const auto hold = holdInterrupts();
    registry().insert(path);
}

void unregisterTemporary(const std::string& path)
{
    const auto hold = holdInterrupts();
    registry().erase(path);
}

}  // namespace kestrano
