// CommandLine.h — tolmix's command line: options in, ProgramOptions out.
//
//     tolmix [--mode WxHxBPP[@HZ]] [--window] [--no-vsync] [--headless] [--frames N]
//            [--fixed-step MS] [--screenshot FILE.png] [--record FILE.gif] [--benchmark]
//            [--lose-surfaces-every N] [--balls N [--seed S]] [--help] [--version]
//
// Whether --mode names a listed mode can only be told once SDL runs (FindListedMode).
#pragma once

#include <string>

#include "app/ProgramOptions.h"

// What the command line leaves to do: run the program, or end at once with the status
// (0 after --help or --version, 2 after a usage error).
struct CommandLineResult {
    bool run = true;
    int exitStatus = 0;
};

// The benchmark's run length when --frames does not give one, and the most it keeps
// figures for.
constexpr uint64_t BENCHMARK_DEFAULT_FRAMES = 2000;
constexpr uint64_t BENCHMARK_MAX_FRAMES = 1000000;

// What ends every usage error's line.
constexpr const char* USAGE_HINT = "Run with --help for more information.";

// A usage error's one line, "tolmix: " and the message (its control characters escaped),
// then USAGE_HINT.
std::string UsageErrorLine(std::string message);

// Reads the options into `options`. Prints --help (with the keys) and --version on stdout,
// and a usage error as one line on stderr.
CommandLineResult ParseCommandLine(int argc, const char* const* argv, ProgramOptions& options);
