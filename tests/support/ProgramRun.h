// ProgramRun.h — one of the project's programs run as a process, its output captured, for
// the tests that drive the programs from the outside.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/ScratchFolderTest.h"

extern char** environ;

struct ProgramResult {
    int status = -1;       // the exit status, -1 when a signal ended it
    int signal = 0;        // the signal that ended it, or 0
    std::string output;    // stdout
    std::string errors;    // stderr
};

// Runs the program with the arguments, input from /dev/null, stdout and stderr kept in
// stdout.txt and stderr.txt in `folder`. `whileRunning` is given the process id before the
// wait; `environment` adds NAME=value settings ahead of the test's own. SIGINT and SIGTERM
// start at their defaults.
inline ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                                const std::filesystem::path& folder,
                                const std::function<void(pid_t)>& whileRunning = {},
                                const std::vector<std::string>& environment = {})
{
    std::vector<std::string> words = {program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<std::string> settings = environment;
    std::vector<char*> envp;
    for (std::string& setting : settings)
        envp.push_back(setting.data());
    for (char** inherited = environ; *inherited != nullptr; ++inherited)
        envp.push_back(*inherited);   // later duplicates lose: getenv finds the first
    envp.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, (folder / "stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, (folder / "stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &files, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    ProgramResult result;
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << program;
        return result;
    }
    if (whileRunning)
        whileRunning(pid);
    int raw = 0;
    waitpid(pid, &raw, 0);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.signal = WIFSIGNALED(raw) ? WTERMSIG(raw) : 0;
    result.output = ReadFile(folder / "stdout.txt");
    result.errors = ReadFile(folder / "stderr.txt");
    return result;
}

// Expects a failure: the status, nothing on stdout, and one line on stderr that starts
// with the program's `prefix` and mentions `mentions`.
inline void ExpectOneLineError(const ProgramResult& result, const std::string& prefix, int status,
                               const std::string& mentions)
{
    EXPECT_EQ(result.status, status) << result.errors;
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(result.errors.rfind(prefix, 0), 0u) << result.errors;
    EXPECT_EQ(std::count(result.errors.begin(), result.errors.end(), '\n'), 1) << result.errors;
    EXPECT_NE(result.errors.find(mentions), std::string::npos) << result.errors;
}
