// KeyedRowCopy.h — the rows of a straight keyed blit, in the widest vectors the processor has.
//
// A source pixel is written unless its raw value lies in the key's range. The same loop is
// built three times: portable C++, AVX2 (32 bytes at a time, a blend of source and
// destination) and AVX-512 (64 bytes at a time, a masked store: transparent pixels are
// not touched). The best the processor has is chosen once, at the first blit; every path
// gives the same pixels, which the tests check path by path. Pixels of 3 bytes take the
// portable loop everywhere.
#pragma once

#include <cstdint>

// The instruction sets a keyed row can be copied with, from the slowest.
enum class RowCopyPath { Portable, Avx2, Avx512 };

// True when this processor can run the path (Portable always).
bool CanUseRowCopyPath(RowCopyPath path);
// The path keyed rows take here: the fastest the processor can run.
RowCopyPath BestRowCopyPath();

// Copies `rows` rows of `count` pixels of `bytesPerPixel` (1 to 4) bytes from `in` to `out`
// (each advancing by its pitch from one row to the next), leaving out the pixels whose raw
// value v has low <= v <= high. `path` must be one CanUseRowCopyPath allows. Source and
// destination must not overlap.
void CopyKeyedRows(RowCopyPath path, int32_t bytesPerPixel, uint8_t* out, int32_t outPitch, const uint8_t* in,
                   int32_t inPitch, int32_t count, int32_t rows, uint32_t low, uint32_t high);
