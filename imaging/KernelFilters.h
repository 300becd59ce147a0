// KernelFilters.h — the six kernels derived from CResampleFilter (filter indices 1 to 6).
//
// Each differs from the base only in its support and its Filter(); the evaluation order
// of every formula is part of its definition, because the rescaler sums the weights
// without normalising them and a last-bit difference can change an output byte.
#pragma once

#include <memory>

#include "imaging/ResampleFilter.h"

// Index 1: the box, 1 on −0.5 < x ≤ 0.5 (open on the left, closed on the right).
class CBoxFilter : public CResampleFilter {
public:
    CBoxFilter();
    double Filter(double x) const override;
};

// Index 2: the triangle (tent), 1 − |x| inside ±1.
class CTriangleFilter : public CResampleFilter {
public:
    CTriangleFilter();
    double Filter(double x) const override;
};

// Index 3: the quadratic B-spline (bell), support 1.5.
class CBellFilter : public CResampleFilter {
public:
    CBellFilter();
    double Filter(double x) const override;
};

// Index 4: the cubic B-spline, support 2.
class CBSplineFilter : public CResampleFilter {
public:
    CBSplineFilter();
    double Filter(double x) const override;
};

// Index 5: Lanczos with three lobes, support 3.
class CLanczos3Filter : public CResampleFilter {
public:
    CLanczos3Filter();
    double Filter(double x) const override;
    // sin(πx)/(πx) with the ten-decimal π 3.1415926535, 1 at x = 0.
    double Sinc(double x) const;
};

// Index 6: Mitchell–Netravali with B = C = 1/3, support 2. The program's filter.
class CMitchellFilter : public CResampleFilter {
public:
    CMitchellFilter();
    double Filter(double x) const override;
};

// The filters by index, 0 to 6, in the order above (0 is the Hermite base class).
constexpr int32_t FILTER_COUNT = 7;
constexpr int32_t MITCHELL_FILTER = 6;

// Makes the filter of the given index. Throws CFatalError for any other index.
std::unique_ptr<CResampleFilter> CreateFilter(int32_t index);
