// Starting the programs the benchmarks time as processes, directly (posix_spawn), so no
// shell's start-up is counted on either side.
#pragma once

#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace bench {

struct TSpawnOptions {
    int In = -1;  // standard input; -1: the benchmark's own
    int Out = -1; // standard output; -1: /dev/null
    // Descriptors the program gets under another number: {ours, its}.
    std::vector<std::pair<int, int>> Descriptors;
    // Entries "NAME=value" set on top of the benchmark's environment.
    std::vector<std::string> Environment;
};

// Starts `args` with no standard error; answers the process id or -1.
inline pid_t Spawn(const std::vector<std::string>& args, const TSpawnOptions& options = {}) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.In >= 0)
        posix_spawn_file_actions_adddup2(&actions, options.In, STDIN_FILENO);
    if (options.Out >= 0)
        posix_spawn_file_actions_adddup2(&actions, options.Out, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    for (const auto& [ours, its] : options.Descriptors)
        posix_spawn_file_actions_adddup2(&actions, ours, its);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const std::string& mine : options.Environment)
            replaced =
                replaced || entry.compare(0, mine.find('=') + 1, mine, 0, mine.find('=') + 1) == 0;
        if (!replaced)
            environment.push_back(entry);
    }
    environment.insert(environment.end(), options.Environment.begin(), options.Environment.end());
    std::vector<char*> envp;
    for (const std::string& e : environment)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// Starts `args` with standard input `in` and standard output `out` (-1: the benchmark's
// own input, /dev/null for the output) and no standard error.
inline pid_t Spawn(const std::vector<std::string>& args, int in, int out) {
    TSpawnOptions options;
    options.In = in;
    options.Out = out;
    return Spawn(args, options);
}

// jibview-thumbnailer, built beside the benchmark.
inline std::string Thumbnailer() {
    return (std::filesystem::canonical("/proc/self/exe").parent_path() / "jibview-thumbnailer")
        .string();
}

// Waits for `pid`; true when it exited with 0.
inline bool Succeeded(pid_t pid) {
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

} // namespace bench
