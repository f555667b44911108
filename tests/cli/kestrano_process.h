#pragma once
// Runs the built kestrano binary as a child process, with what only a process
// test can set: a file-size limit (SIGXFSZ ignored, so writes fail with EFBIG),
// an address-space limit, standard output sent to a given file, and a signal
// sent once a condition holds. Never blocks: a child still running after a
// minute is killed.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "cli/sha256.h"
#include "support/temp_folder.h"

struct KestranoRun {
    std::string workDir;
    std::vector<std::string> arguments;
    long long fileSizeLimit = -1;     // bytes; RLIMIT_FSIZE
    long long addressLimit = -1;      // bytes; RLIMIT_AS
    std::string stdoutPath = "";                // empty: captured
    std::function<bool()> signalWhen = nullptr;  // polled while the child runs
    int signal = 0;
    std::vector<std::string> wrapper = {};  // a program that runs kestrano, e.g. strace
};

struct KestranoExit {
    int status = -1;  // exit status, or 128 + the signal that ended it
    std::string out, err;
};

class KestranoProcess {
public:
    explicit KestranoProcess(const KestranoRun& run) : run_(run)
    {
        const std::string out = run.stdoutPath.empty() ? captures_ / "out" : run.stdoutPath;
        const std::string err = captures_ / "err";
        pid_ = ::fork();
        if (pid_ != 0)
            return;
        if (::chdir(run.workDir.c_str()) != 0)
            ::_exit(120);
        ::signal(SIGXFSZ, SIG_IGN);
        for (const auto& [resource, bytes] :
             {std::pair{RLIMIT_FSIZE, run.fileSizeLimit}, std::pair{RLIMIT_AS, run.addressLimit}}) {
            const rlimit limit{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
            if (bytes >= 0)
                ::setrlimit(resource, &limit);
        }
        ::dup2(::open("/dev/null", O_RDONLY), 0);
        ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        std::vector<std::string> all = run.wrapper;
        all.push_back(KESTRANO_BINARY);
        all.insert(all.end(), run.arguments.begin(), run.arguments.end());
        std::vector<char*> argv;
        for (std::string& argument : all)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(121);
    }

    KestranoExit wait()
    {
        using namespace std::chrono;
        const auto deadline = steady_clock::now() + minutes(1);
        bool signalled = !run_.signalWhen;
        int raw = 0;
        while (::waitpid(pid_, &raw, WNOHANG) == 0) {
            if (!signalled && run_.signalWhen()) {
                ::kill(pid_, run_.signal);
                signalled = true;
            }
            if (steady_clock::now() > deadline)
                ::kill(pid_, SIGKILL);
            std::this_thread::sleep_for(milliseconds(2));
        }
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : -1,
                run_.stdoutPath.empty() ? readBytes(captures_ / "out") : "", readBytes(captures_ / "err")};
    }

private:
    KestranoRun run_;
    TempFolder captures_;
    pid_t pid_ = -1;
};

inline KestranoExit runKestrano(const TempFolder& work, const std::vector<std::string>& arguments)
{
    return KestranoProcess({work.path(), arguments}).wait();
}

// Every file and folder below `folder` with the digest of its bytes, temporaries
// included; short enough for a failing comparison to print.
inline std::map<std::string, std::string> snapshot(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        files[std::filesystem::relative(entry.path(), folder).string()] =
            entry.is_regular_file() ? kestrano::sha256OfFile(entry.path().string()) : "<folder>";
    return files;
}
