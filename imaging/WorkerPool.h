// WorkerPool.h — the process's worker threads, which share out rows of picture work.
//
// A job is a count of independent items (output rows, say) and a function over a range of
// them. The items are handed out in small chunks from one shared counter: every thread,
// the caller's included, takes the next chunk when it has finished its last, so a thread
// that the system puts aside (another process on its core) holds up at most one chunk
// while the others carry on with the rest. No result may depend on which thread did which
// chunk, so results are the same for any number of threads. On a one-core machine the pool
// has no threads of its own and the caller does everything.
//
//     CWorkerPool::Shared().ForEachChunk(rows, rowBytes, [&](int32_t begin, int32_t end, int32_t slot) {
//         ...   // rows begin .. end − 1; slot says which of ThreadCount() threads runs them
//     });
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class CWorkerPool {
public:
    // The rows begin .. end − 1 of a job, run by the thread numbered slot (0 is the caller).
    using ChunkWork = std::function<void(int32_t begin, int32_t end, int32_t slot)>;

    static constexpr int32_t MAX_THREADS = 8;

    // Starts one thread running `body`; the pool's own is StartThread, a test's may fail.
    using ThreadStarter = std::function<std::jthread(std::function<void()> body)>;

    // A new thread running body: std::jthread's, which throws std::system_error when the
    // system will not start one.
    static std::jthread StartThread(std::function<void()> body);

    // A pool in which `threads` threads (at most MAX_THREADS) work on each job, the
    // caller's among them, so threads − 1 are started with `start`; 1 or less means the
    // caller alone. Throws CFatalError, saying how many started, when one cannot start.
    explicit CWorkerPool(int32_t threads, const ThreadStarter& start = StartThread);
    virtual ~CWorkerPool();

    CWorkerPool(const CWorkerPool&) = delete;
    CWorkerPool& operator=(const CWorkerPool&) = delete;

    // The pool the whole process shares, made on first use: one thread per processor the
    // process may run on.
    static CWorkerPool& Shared();

    // Threads that work on a job, the caller's included.
    int32_t ThreadCount() const { return static_cast<int32_t>(m_workers.size()) + 1; }

    // Calls work over chunks that together cover items 0 .. count − 1 once each, and
    // returns when all are done; an exception thrown by the work is passed on (the first,
    // after every chunk has been run). `itemBytes` (about what one item writes) decides the
    // chunk size. Work too small to be worth sharing, or given while the pool is busy with
    // another job (another caller's, or the one this call is part of), runs on the caller
    // alone, as slot 0.
    void ForEachChunk(int32_t count, int64_t itemBytes, const ChunkWork& work);

private:
    // What a thread needs to take part in one job; copied out under the lock.
    struct Job {
        uint64_t generation = 0;
        const ChunkWork* work = nullptr;
        int32_t count = 0;
        int32_t chunk = 1;
        uint32_t chunkCount = 0;
    };

    // Tells the threads to stop and joins them.
    void StopWorkers();

    void WorkerLoop(int32_t slot);
    // Takes chunks of the job and runs them until none is left.
    void RunChunks(const Job& job, int32_t slot);

    std::vector<std::jthread> m_workers;
    std::atomic<bool> m_busy{false};     // a caller's job is running
    std::mutex m_mutex;                  // guards m_job, m_stopping and m_error
    std::condition_variable m_wake;
    Job m_job;
    bool m_stopping = false;
    std::atomic<uint64_t> m_next{0};     // the job's generation (high half), next chunk (low)
    std::atomic<uint32_t> m_done{0};     // chunks of the current job finished
    std::exception_ptr m_error;
};
