// Runs a program built by this project as a child process, for tests of the
// shipped command-line tools: its stdout and stderr go to files, the child
// inherits this process's environment (so VANTREL_COM<n> set by the test
// reaches it). Header-only, POSIX.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace testsupport {

struct ProcessResult {
    int exitCode = -1;   // the exit status, or 128 + signal when a signal ended it
    std::string out;     // what it wrote to stdout
    std::string err;     // and to stderr
};

// A child started with startProcess; finish it with waitProcess.
struct Process {
    pid_t pid = -1;
    std::string outFile;
    std::string errFile;
};

inline std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Starts program with args (argv[0] is the program). stdout and stderr go to
// files in scratchDir; stdin is /dev/null.
inline Process startProcess(const std::string& program, const std::vector<std::string>& args,
                            const std::string& scratchDir) {
    static int serial = 0;
    Process p;
    const std::string stem = scratchDir + "/proc" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
    p.outFile = stem + ".out";
    p.errFile = stem + ".err";

    std::vector<std::string> all;
    all.push_back(program);
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, p.outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, p.errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (posix_spawn(&p.pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) p.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return p;
}

inline ProcessResult waitProcess(Process& p) {
    ProcessResult r;
    if (p.pid > 0) {
        int status = 0;
        while (::waitpid(p.pid, &status, 0) < 0) {
        }
        if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
        else if (WIFSIGNALED(status)) r.exitCode = 128 + WTERMSIG(status);
        p.pid = -1;
    }
    r.out = slurp(p.outFile);
    r.err = slurp(p.errFile);
    std::remove(p.outFile.c_str());
    std::remove(p.errFile.c_str());
    return r;
}

inline ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                                const std::string& scratchDir) {
    Process p = startProcess(program, args, scratchDir);
    return waitProcess(p);
}

}  // namespace testsupport
