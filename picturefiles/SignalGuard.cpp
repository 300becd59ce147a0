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

void CSignalGuard::EndOnSignals()
{
    const sigset_t signals = EndingSignalSet();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread([this, signals] { WaitAndEnd(signals); }).detach();
}

// The mutex is taken and never given back: a commit in progress ends first, and nothing
// recorded changes while the files go. Folders go deepest first, and only when empty.
void CSignalGuard::WaitAndEnd(sigset_t signals)
{
    int signal = 0;
    while (sigwait(&signals, &signal) != 0) {
    }
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

CSignalGuard::CCommit::CCommit()
{
    const sigset_t signals = EndingSignalSet();
    pthread_sigmask(SIG_BLOCK, &signals, &m_previous);
    m_hold = std::unique_lock(Shared().m_mutex);
}

// A signal that came meanwhile is delivered when the old mask returns.
CSignalGuard::CCommit::~CCommit()
{
    m_hold.unlock();
    pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}
