// KernelFilters.cpp — the six derived kernels, each evaluated in its defined order.
#include "imaging/KernelFilters.h"

#include <cmath>
#include <string>

#include "platform/bitmaps/FatalError.h"

namespace {

// The doubles nearest to the fractions the kernels use.
constexpr double ONE_SIXTH = 0.16666666666666666;
constexpr double ONE_THIRD = 0.3333333333333333;
constexpr double TWO_THIRDS = 0.6666666666666666;
constexpr double SIXTEEN_THIRDS = 5.333333333333333;
constexpr double THIRTY_TWO_THIRDS = 10.666666666666666;
constexpr double MINUS_SEVEN_THIRDS = -2.3333333333333335;
constexpr double TEN_DECIMAL_PI = 3.1415926535;

} // namespace

// --- box ----------------------------------------------------------------------------------

CBoxFilter::CBoxFilter() { m_support = 0.5; }

double CBoxFilter::Filter(double x) const
{
    // Tested on the signed x: the left edge is open, the right edge closed.
    if (x <= -0.5)
        return 0.0;
    if (x > 0.5)
        return 0.0;
    return 1.0;
}

// --- triangle -------------------------------------------------------------------------------

CTriangleFilter::CTriangleFilter() { m_support = 1.0; }

double CTriangleFilter::Filter(double x) const
{
    const double t = std::fabs(x);
    if (t < 1.0)
        return 1.0 - t;
    return 0.0;
}

// --- bell -----------------------------------------------------------------------------------

CBellFilter::CBellFilter() { m_support = 1.5; }

double CBellFilter::Filter(double x) const
{
    const double t = std::fabs(x);
    if (t < 0.5)
        return 0.75 - t * t;
    if (t < 1.5) {
        const double u = t - 1.5;
        return u * u * 0.5;
    }
    return 0.0;
}

// --- cubic B-spline -------------------------------------------------------------------------

CBSplineFilter::CBSplineFilter() { m_support = 2.0; }

double CBSplineFilter::Filter(double x) const
{
    const double t = std::fabs(x);
    const double t2 = t * t;
    const double t3 = t * t2;
    if (t < 1.0)
        return (0.5 * t3 - t2) + TWO_THIRDS;
    if (t < 2.0) {
        const double u = 2.0 - t;
        return (u * u) * u * ONE_SIXTH;
    }
    return 0.0;
}

// --- Lanczos 3 ------------------------------------------------------------------------------

CLanczos3Filter::CLanczos3Filter() { m_support = 3.0; }

double CLanczos3Filter::Sinc(double x) const
{
    const double y = x * TEN_DECIMAL_PI;
    if (y == 0.0)
        return 1.0;
    return std::sin(y) / y;
}

double CLanczos3Filter::Filter(double x) const
{
    const double t = std::fabs(x);
    if (t < 3.0)
        return Sinc(t) * Sinc(t * ONE_THIRD);   // t/3 as a product, not a division
    return 0.0;
}

// --- Mitchell–Netravali ---------------------------------------------------------------------

CMitchellFilter::CMitchellFilter() { m_support = 2.0; }

double CMitchellFilter::Filter(double x) const
{
    const double s = x * x;   // from the signed x, before the absolute value
    const double t = std::fabs(x);
    if (t < 1.0)
        return ((t * s) * 7.0 + s * -12.0 + SIXTEEN_THIRDS) * ONE_SIXTH;
    if (t < 2.0)
        return ((s * t) * MINUS_SEVEN_THIRDS + s * 12.0 + t * -20.0 + THIRTY_TWO_THIRDS) * ONE_SIXTH;
    return 0.0;
}

// --- selection by index ---------------------------------------------------------------------

std::unique_ptr<CResampleFilter> CreateFilter(int32_t index)
{
    switch (index) {
    case 0: return std::make_unique<CResampleFilter>();
    case 1: return std::make_unique<CBoxFilter>();
    case 2: return std::make_unique<CTriangleFilter>();
    case 3: return std::make_unique<CBellFilter>();
    case 4: return std::make_unique<CBSplineFilter>();
    case 5: return std::make_unique<CLanczos3Filter>();
    case 6: return std::make_unique<CMitchellFilter>();
    default: throw CFatalError("rescale: no filter has index " + std::to_string(index) + " (0 to 6)");
    }
}
