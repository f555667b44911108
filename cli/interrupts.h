#pragma once
// Ctrl-C and SIGTERM: a watcher thread removes every temporary file and folder
// the run registered and ends the process with 128 + the signal number, so an
// interrupted run leaves nothing behind and never half a publication.
#include <mutex>
#include <string>

namespace kestrano {

// Blocks SIGINT and SIGTERM in the calling thread (and so in every thread
// started afterwards) and starts the watcher. Call once, before any thread.
void startInterruptWatcher();

// Held while creating or publishing temporaries: the watcher takes it before
// it removes them, so it never acts half-way through either.
std::unique_lock<std::recursive_mutex> holdInterrupts();

// Paths the watcher removes (recursively) on an interrupt. Callers hold
// holdInterrupts() around creating the path and registering it.
void registerTemporary(const std::string& path);
void unregisterTemporary(const std::string& path);

}  // namespace kestrano
