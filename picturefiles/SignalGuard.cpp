// SignalGuard.cpp — the record of temporary files and folders, commits that hold the
// ending signals, and the thread that cleans up and ends the process on one.
#include "picturefiles/SignalGuard.h"

#include <fcntl.h>
#include <pthread.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

sigset_t EndingSignalSet()
{
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : CSignalGuard::ENDING_SIGNALS)
        sigaddset(&signals, signal);
    return signals;
}

CSignalGuard& CSignalGuard::Shared()
{
    static CSignalGuard* const guard = new CSignalGuard();
    return *guard;
}

int CSignalGuard::CreateFile(std::string& nameTemplate)
{
    const std::lock_guard hold(m_mutex);
    const int fd = mkostemp(nameTemplate.data(), O_CLOEXEC);
    if (fd >= 0)
        m_files.insert(nameTemplate);
    return fd;
}

void CSignalGuard::Forget(const std::string& name)
{
    const std::lock_guard hold(m_mutex);
    m_files.erase(name);
}

void CSignalGuard::RecordFolder(const std::filesystem::path& folder)
{
    const std::lock_guard hold(m_mutex);
    m_folders.push_back(folder);
}

void CSignalGuard::ForgetFolder(const std::filesystem::path& folder)
{
    const std::lock_guard hold(m_mutex);
    std::erase(m_folders, folder);
}

// The handler blocks the other ending signals while it runs, and system calls it
// interrupts go on (SA_RESTART). A signal the run was started ignoring is left so.
void CSignalGuard::EndOnSignals()
{
    int wake[2];
    if (pipe2(wake, O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "cannot watch for signals");
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
    std::thread([this] { WaitAndEnd(); }).detach();
    struct sigaction note {};
    note.sa_handler = Note;
    note.sa_mask = EndingSignalSet();
    note.sa_flags = SA_RESTART;
    for (const int signal : ENDING_SIGNALS) {
        struct sigaction current {};
        sigaction(signal, nullptr, &current);
        if (current.sa_handler != SIG_IGN)   // ignored (nohup): it stays ignored
            sigaction(signal, &note, nullptr);
    }
}

void CSignalGuard::Note(int signal)
{
    CSignalGuard& guard = Shared();
    const int saved = errno;
    guard.m_noted = signal;
    const auto byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = write(guard.m_wakeWrite, &byte, 1);
    errno = saved;
}

// The mutex is taken and never given back: a commit in progress ends first, and nothing
// recorded changes while the files go. Folders go deepest first, and only when empty.
void CSignalGuard::WaitAndEnd()
{
    unsigned char byte = 0;
    while (read(m_wakeRead, &byte, 1) != 1) {
    }
    const int signal = byte;
    m_mutex.lock();
    for (const std::string& name : m_files)
        unlink(name.c_str());
    for (auto folder = m_folders.rbegin(); folder != m_folders.rend(); ++folder)
        rmdir(folder->c_str());
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigaction(signal, &byDefault, nullptr);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, signal);
    pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    raise(signal);
    _exit(128 + signal);   // only if the default action did not end the process
}

// Taken for good: the guard's thread, once woken, can never act, or it already is acting
// and this waits until it ends the process.
void CSignalGuard::EndRun()
{
    m_mutex.lock();
}

// A signal noted before the commit begins ends the run before anything is put in place: the
// guard's thread may not have taken the mutex yet, and the commit must not win that race.
CSignalGuard::CCommit::CCommit()
{
    const sigset_t signals = EndingSignalSet();
    pthread_sigmask(SIG_BLOCK, &signals, &m_previous);
    m_hold = std::unique_lock(Shared().m_mutex);
    if (Shared().m_noted == 0)
        return;
    m_hold.unlock();
    pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    while (Shared().m_noted != 0)
        pause();
}

// A signal that came meanwhile is delivered when the old mask returns, before
// pthread_sigmask does; the guard's thread, woken by it, then ends the process.
CSignalGuard::CCommit::~CCommit()
{
    m_hold.unlock();
    pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    while (Shared().m_noted != 0)
        pause();
}
