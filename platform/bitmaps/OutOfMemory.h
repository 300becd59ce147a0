// OutOfMemory.h — a failed allocation that says what it was for and how large it was.
//
// It is a std::bad_alloc, so code that takes a failed allocation in its stride (SDL's
// memory functions give SDL a null pointer) catches it as before; main prints its message
// instead of a bare "out of memory".
#pragma once

#include <cstddef>
#include <new>
#include <string>

class COutOfMemory : public std::bad_alloc {
public:
    // The failure to allocate `bytes` bytes for `what` ("the rescale intermediate").
    COutOfMemory(const std::string& what, size_t bytes);

    const char* what() const noexcept override { return m_message.c_str(); }

    // "12582912 bytes (12.0 MiB)": a size as the messages give it.
    static std::string SizeText(size_t bytes);

private:
    std::string m_message;
};
