// SignalGuard.h — what the catchable ending signals (TERM, INT, HUP, QUIT) may interrupt.
//
// Outputs are written under temporary names first and then renamed into place together
// (a commit). The guard keeps the names of the temporary files that exist and of the
// folders a run made for them, so that a run ended by a signal removes them, and it holds
// the signals while a commit runs, so a set of outputs is never left half old, half new.
// Signals belong to the whole process, so there is one guard per process (Shared).
//
// A program that leaves its clean-up to the guard (tolmix-image) calls EndOnSignals: the
// guard's handler then only notes the signal and wakes the guard's own thread, which lets
// a commit in progress end, removes what is recorded and ends the process by the signal's
// default action. A program that handles the signals itself (tolmix asks its window to
// close) leaves that out; a commit still holds them in the thread that commits.
//
//     CSignalGuard::Shared().EndOnSignals();   // first thing in main
//     ... the work ...
//     CSignalGuard::Shared().EndRun();         // finished: a signal from now on changes nothing
//     { CSignalGuard::CCommit commit; rename(...); rename(...); }   // signals wait
#pragma once

#include <signal.h>

#include <array>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class CSignalGuard {
public:
    // The signals that end a program by default and that a program can catch.
    static constexpr std::array<int, 4> ENDING_SIGNALS = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

    // The process's guard. It is never destroyed, so the waiting thread can use it while
    // the process exits.
    static CSignalGuard& Shared();

    CSignalGuard(const CSignalGuard&) = delete;
    CSignalGuard& operator=(const CSignalGuard&) = delete;

    // Creates a new file from a mkostemp template (ending XXXXXX; the name made is written
    // back into it) and records it, both before a signal can end the run in between.
    // Returns the descriptor, close-on-exec, or -1 with errno set.
    int CreateFile(std::string& nameTemplate);
    // The file is no longer removed on a signal (renamed into place, or removed).
    void Forget(const std::string& name);
    // A folder made for outputs: removed on a signal if it is empty then.
    void RecordFolder(const std::filesystem::path& folder);
    void ForgetFolder(const std::filesystem::path& folder);

    // Catches the ending signals and starts the thread that acts on them. Call once.
    // Throws std::system_error when the thread cannot start.
    void EndOnSignals();
    // The run is over: should the guard's thread be acting on a signal already, waits for
    // it to end the process; otherwise a later signal is left without effect.
    void EndRun();

    // While one exists, the ending signals wait: blocked in this thread, and the guard's
    // thread does not act before it goes. A signal that came meanwhile is acted on when it
    // goes: the committing thread then waits for the end of the process instead of going on.
    class CCommit {
    public:
        CCommit();
        ~CCommit();
        CCommit(const CCommit&) = delete;
        CCommit& operator=(const CCommit&) = delete;

    private:
        sigset_t m_previous{};
        std::unique_lock<std::recursive_mutex> m_hold;
    };

private:
    CSignalGuard() = default;
    ~CSignalGuard() = default;

    // The handler: notes the signal and wakes the guard's thread (async-signal-safe).
    static void Note(int signal);
    // The guard's thread: waits for a signal, then removes what is recorded and ends the
    // process by that signal.
    [[noreturn]] void WaitAndEnd();

    std::recursive_mutex m_mutex;   // held by commits, and by the guard's thread once it acts
    int m_wakeRead = -1;            // the pipe by which the handler wakes the guard's thread
    int m_wakeWrite = -1;
    volatile sig_atomic_t m_noted = 0;   // the signal noted, or 0
    std::set<std::string> m_files;
    std::vector<std::filesystem::path> m_folders;
};

// The ending signals as a set.
sigset_t EndingSignalSet();
