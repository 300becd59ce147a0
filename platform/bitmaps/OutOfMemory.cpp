// OutOfMemory.cpp — the message of a failed allocation.
#include "platform/bitmaps/OutOfMemory.h"

#include <cstdio>

COutOfMemory::COutOfMemory(const std::string& what, size_t bytes)
    : m_message("out of memory: cannot allocate " + SizeText(bytes) + " for " + what)
{
}

std::string COutOfMemory::SizeText(size_t bytes)
{
    char mebibytes[32];
    std::snprintf(mebibytes, sizeof mebibytes, "%.1f", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return std::to_string(bytes) + " bytes (" + mebibytes + " MiB)";
}
