// PixelBuffer.cpp — heap blocks for small pictures, huge-page mappings for large ones.
#include "platform/bitmaps/PixelBuffer.h"

#include <sys/mman.h>

#include <cstring>
#include <new>
#include <utility>

#include "platform/bitmaps/OutOfMemory.h"

namespace {

// Linux 5.14's "fault the range in for writing"; older kernels refuse it and the pages
// then come one fault at a time, as they would anyway.
constexpr int ADVICE_POPULATE_WRITE = 23;

// `bytes` rounded up to a whole number of `unit`s (a power of two).
size_t RoundUp(size_t bytes, size_t unit)
{
    return (bytes + unit - 1) & ~(unit - 1);
}

// Maps `bytes` (a multiple of the huge-page size when huge) of zero pages, aligned so that
// huge pages can back them, and faults them in. Throws COutOfMemory, naming `what`, when
// it cannot.
uint8_t* MapZeroPages(size_t bytes, bool huge, const char* what)
{
    const size_t align = huge ? CPixelBuffer::HUGE_PAGE_BYTES : 0;
    void* raw = mmap(nullptr, bytes + align, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw COutOfMemory(what, bytes);
    auto* start = static_cast<uint8_t*>(raw);
    if (huge) {
        // Trim the mapping to an aligned start, so each 2 MiB can be one page.
        const auto address = reinterpret_cast<uintptr_t>(start);
        const size_t lead = RoundUp(address, align) - address;
        if (lead > 0)
            munmap(start, lead);
        if (align - lead > 0)
            munmap(start + lead + bytes, align - lead);
        start += lead;
        madvise(start, bytes, MADV_HUGEPAGE);
    }
    madvise(start, bytes, ADVICE_POPULATE_WRITE);
    return start;
}

} // namespace

CPixelBuffer::CPixelBuffer(size_t bytes, Contents contents, const char* what) : m_size(bytes)
{
    if (bytes >= MAPPED_BYTES) {
        const bool huge = bytes >= HUGE_PAGE_FROM_BYTES;
        m_mapped = RoundUp(bytes, huge ? HUGE_PAGE_BYTES : 4096);
        m_data = MapZeroPages(m_mapped, huge, what);   // new mappings are zero already
        return;
    }
    m_data = new (std::nothrow) uint8_t[bytes > 0 ? bytes : 1];
    if (m_data == nullptr)
        throw COutOfMemory(what, bytes);
    if (contents == ZEROED)
        std::memset(m_data, 0, bytes);
}

CPixelBuffer::~CPixelBuffer()
{
    Release();
}

CPixelBuffer::CPixelBuffer(CPixelBuffer&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_mapped(std::exchange(other.m_mapped, 0))
{
}

CPixelBuffer& CPixelBuffer::operator=(CPixelBuffer&& other) noexcept
{
    if (this != &other) {
        Release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_mapped = std::exchange(other.m_mapped, 0);
    }
    return *this;
}

uint8_t* CPixelBuffer::Reserve(size_t bytes, const char* what)
{
    if (m_data == nullptr || m_size < bytes) {
        Release();   // the old block goes first, so that both need not fit at once
        m_size = 0;
        m_mapped = 0;
        *this = CPixelBuffer(bytes, UNDEFINED, what);
    }
    return m_data;
}

void CPixelBuffer::Release() noexcept
{
    if (m_data == nullptr)
        return;
    if (m_mapped > 0)
        munmap(m_data, m_mapped);
    else
        delete[] m_data;
    m_data = nullptr;
}
