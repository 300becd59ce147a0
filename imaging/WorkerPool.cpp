// WorkerPool.cpp — chunks handed out from one counter, and the threads that take them.
#include "imaging/WorkerPool.h"

#include <sched.h>

#include <algorithm>
#include <string>
#include <utility>

#include "platform/bitmaps/FatalError.h"

namespace {

// Work below this many bytes in all is not worth waking another thread for.
constexpr int64_t SHARED_MIN_BYTES = int64_t{1} << 18;

// About this many bytes of output per chunk: small enough that a thread put aside holds
// little back, large enough that taking a chunk costs nothing next to doing it.
constexpr int64_t CHUNK_BYTES = int64_t{48} << 10;

// The processors this process may run on.
int32_t UsableProcessors()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        return std::max(1, CPU_COUNT(&set));
    return static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
}

} // namespace

CWorkerPool::CWorkerPool(int32_t threads, const ThreadStarter& start)
{
    const int32_t wanted = std::min(threads, MAX_THREADS) - 1;
    try {
        m_workers.reserve(static_cast<size_t>(std::max(wanted, 0)));   // no growing with threads running
        for (int32_t slot = 1; slot <= wanted; ++slot)
            m_workers.push_back(start([this, slot] { WorkerLoop(slot); }));
    } catch (const std::exception& failure) {
        // The threads already started wait for work that will never come: stop them
        // before the pool's members go.
        const size_t started = m_workers.size();
        StopWorkers();
        throw CFatalError("cannot start the worker threads (" + std::to_string(started) + " of " +
                          std::to_string(wanted) + " started): " + failure.what());
    }
}

CWorkerPool::~CWorkerPool()
{
    StopWorkers();
}

std::jthread CWorkerPool::StartThread(std::function<void()> body)
{
    return std::jthread(std::move(body));
}

void CWorkerPool::StopWorkers()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_workers.clear();   // joins them
}

CWorkerPool& CWorkerPool::Shared()
{
    static CWorkerPool pool(UsableProcessors());
    return pool;
}

void CWorkerPool::ForEachChunk(int32_t count, int64_t itemBytes, const ChunkWork& work)
{
    if (count <= 0)
        return;
    const int64_t bytes = std::max<int64_t>(itemBytes, 1);
    const int32_t chunk = static_cast<int32_t>(std::clamp<int64_t>(CHUNK_BYTES / bytes, 1, count));
    bool idle = false;
    if (m_workers.empty() || bytes * count < SHARED_MIN_BYTES || chunk >= count ||
        !m_busy.compare_exchange_strong(idle, true)) {
        work(0, count, 0);
        return;
    }
    struct BusyUntilReturn {
        std::atomic<bool>& busy;
        ~BusyUntilReturn() { busy.store(false); }
    } busyUntilReturn{m_busy};

    Job job;
    job.work = &work;
    job.count = count;
    job.chunk = chunk;
    job.chunkCount = static_cast<uint32_t>((count + chunk - 1) / chunk);
    m_done.store(0);
    {
        std::lock_guard lock(m_mutex);
        m_error = nullptr;
        job.generation = m_job.generation + 1;
        m_job = job;
        m_next.store(job.generation << 32);
    }
    m_wake.notify_all();

    RunChunks(job, 0);
    // Chunks that other threads took may still be running.
    for (uint32_t done = m_done.load(); done != job.chunkCount; done = m_done.load())
        m_done.wait(done);
    std::exception_ptr error;
    {
        std::lock_guard lock(m_mutex);
        error = m_error;
    }
    if (error)
        std::rethrow_exception(error);
}

void CWorkerPool::WorkerLoop(int32_t slot)
{
    uint64_t seen = 0;
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stopping || m_job.generation != seen; });
            if (m_stopping)
                return;
            job = m_job;
            seen = job.generation;
        }
        RunChunks(job, slot);
    }
}

void CWorkerPool::RunChunks(const Job& job, int32_t slot)
{
    for (;;) {
        // Claim the next chunk of this job. A thread that arrives after the job has
        // finished, or after another has begun, finds the generation changed and leaves;
        // while it holds a chunk the job cannot finish, so the work it calls still exists.
        uint64_t next = m_next.load();
        do {
            if ((next >> 32) != job.generation || static_cast<uint32_t>(next) >= job.chunkCount)
                return;
        } while (!m_next.compare_exchange_weak(next, next + 1));

        const int32_t begin = static_cast<int32_t>(static_cast<uint32_t>(next)) * job.chunk;
        const int32_t end = std::min(job.count, begin + job.chunk);
        try {
            (*job.work)(begin, end, slot);
        } catch (...) {
            std::lock_guard lock(m_mutex);
            if (!m_error)
                m_error = std::current_exception();
        }
        if (m_done.fetch_add(1) + 1 == job.chunkCount)
            m_done.notify_all();
    }
}
