// ColourBox.cpp — shrinking, measuring, cutting and averaging a box of colour cells.
#include "imaging/ColourBox.h"

#include "imaging/ColourHistogram.h"
#include "platform/bitmaps/FatalError.h"

namespace {

// Side lengths in cells converted to 8-bit units (×4 red and green, ×8 blue) and
// weighted by the eye's sensitivity 30 : 59 : 11.
constexpr int32_t RED_EXTENT_FACTOR = 120;
constexpr int32_t GREEN_EXTENT_FACTOR = 236;
constexpr int32_t BLUE_EXTENT_FACTOR = 88;

// A cell stands for the middle of the values it covers: its lower edge plus half its
// width (4 values for red and green, 8 for blue). The top cells give 254 and 252.
constexpr int64_t RedValue(uint32_t r) { return 4 * int64_t{r} + 2; }
constexpr int64_t GreenValue(uint32_t g) { return 4 * int64_t{g} + 2; }
constexpr int64_t BlueValue(uint32_t b) { return 8 * int64_t{b} + 4; }

// The mean sum / total rounded half up, as one 8-bit channel.
uint8_t RoundedMean(int64_t sum, int64_t total)
{
    return static_cast<uint8_t>((sum + total / 2) / total);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Bounds
// ---------------------------------------------------------------------------------------

void CColourBox::SetWholeSpace()
{
    SetBounds(0, CColourHistogram::RED_CELLS - 1, 0, CColourHistogram::GREEN_CELLS - 1,
              0, CColourHistogram::BLUE_CELLS - 1);
}

void CColourBox::SetBounds(uint32_t redMin, uint32_t redMax, uint32_t greenMin, uint32_t greenMax,
                           uint32_t blueMin, uint32_t blueMax)
{
    if (redMin > redMax || redMax >= CColourHistogram::RED_CELLS || greenMin > greenMax ||
        greenMax >= CColourHistogram::GREEN_CELLS || blueMin > blueMax ||
        blueMax >= CColourHistogram::BLUE_CELLS)
        throw CFatalError("colour box: bounds outside the cell ranges");
    m_redMin = redMin;
    m_redMax = redMax;
    m_greenMin = greenMin;
    m_greenMax = greenMax;
    m_blueMin = blueMin;
    m_blueMax = blueMax;
}

uint32_t CColourBox::Min(int32_t axis) const
{
    return axis == RED_AXIS ? m_redMin : axis == GREEN_AXIS ? m_greenMin : m_blueMin;
}

uint32_t CColourBox::Max(int32_t axis) const
{
    return axis == RED_AXIS ? m_redMax : axis == GREEN_AXIS ? m_greenMax : m_blueMax;
}

const CColourHistogram& CColourBox::Histogram() const
{
    if (m_pHistogram == nullptr)
        throw CFatalError("colour box: no histogram to work on");
    return *m_pHistogram;
}

// ---------------------------------------------------------------------------------------
// Shrinking
// ---------------------------------------------------------------------------------------

bool CColourBox::RedPlaneEmpty(uint32_t r) const
{
    const CColourHistogram& histogram = Histogram();
    for (uint32_t g = m_greenMin; g <= m_greenMax; ++g)
        for (uint32_t b = m_blueMin; b <= m_blueMax; ++b)
            if (histogram.CellAt(r, g, b) != 0)
                return false;
    return true;
}

bool CColourBox::GreenPlaneEmpty(uint32_t g) const
{
    const CColourHistogram& histogram = Histogram();
    for (uint32_t r = m_redMin; r <= m_redMax; ++r)
        for (uint32_t b = m_blueMin; b <= m_blueMax; ++b)
            if (histogram.CellAt(r, g, b) != 0)
                return false;
    return true;
}

bool CColourBox::BluePlaneEmpty(uint32_t b) const
{
    const CColourHistogram& histogram = Histogram();
    for (uint32_t r = m_redMin; r <= m_redMax; ++r)
        for (uint32_t g = m_greenMin; g <= m_greenMax; ++g)
            if (histogram.CellAt(r, g, b) != 0)
                return false;
    return true;
}

// Each plane is judged with the bounds as already shrunk, so later planes are cheaper.
// A bound never passes its opposite one, so an empty box ends as a single cell.
void CColourBox::Shrink()
{
    while (m_redMin < m_redMax && RedPlaneEmpty(m_redMin))
        ++m_redMin;
    while (m_redMax > m_redMin && RedPlaneEmpty(m_redMax))
        --m_redMax;
    while (m_greenMin < m_greenMax && GreenPlaneEmpty(m_greenMin))
        ++m_greenMin;
    while (m_greenMax > m_greenMin && GreenPlaneEmpty(m_greenMax))
        --m_greenMax;
    while (m_blueMin < m_blueMax && BluePlaneEmpty(m_blueMin))
        ++m_blueMin;
    while (m_blueMax > m_blueMin && BluePlaneEmpty(m_blueMax))
        --m_blueMax;
}

// ---------------------------------------------------------------------------------------
// Measuring and counting
// ---------------------------------------------------------------------------------------

// At most 285,653,008: fits the signed 32 bits.
void CColourBox::Measure()
{
    const int32_t red = RED_EXTENT_FACTOR * static_cast<int32_t>(m_redMax - m_redMin);
    const int32_t green = GREEN_EXTENT_FACTOR * static_cast<int32_t>(m_greenMax - m_greenMin);
    const int32_t blue = BLUE_EXTENT_FACTOR * static_cast<int32_t>(m_blueMax - m_blueMin);
    m_size = red * red + green * green + blue * blue;
}

void CColourBox::CountCells()
{
    const CColourHistogram& histogram = Histogram();
    int32_t cells = 0;
    for (uint32_t r = m_redMin; r <= m_redMax; ++r)
        for (uint32_t g = m_greenMin; g <= m_greenMax; ++g)
            for (uint32_t b = m_blueMin; b <= m_blueMax; ++b)
                if (histogram.CellAt(r, g, b) != 0)
                    ++cells;
    m_cellCount = cells;
}

void CColourBox::Refresh()
{
    Shrink();
    Measure();
    CountCells();
}

// ---------------------------------------------------------------------------------------
// Cutting
// ---------------------------------------------------------------------------------------

int32_t CColourBox::SplitAxis() const
{
    const int32_t red = RED_EXTENT_FACTOR * static_cast<int32_t>(m_redMax - m_redMin);
    const int32_t green = GREEN_EXTENT_FACTOR * static_cast<int32_t>(m_greenMax - m_greenMin);
    const int32_t blue = BLUE_EXTENT_FACTOR * static_cast<int32_t>(m_blueMax - m_blueMin);

    int32_t axis = GREEN_AXIS;
    int32_t extent = green;
    if (red > extent) {
        axis = RED_AXIS;
        extent = red;
    }
    if (blue > extent)
        axis = BLUE_AXIS;
    return axis;
}

// Cut at the middle of the bounds (rounding down), not at the median of the pixels.
void CColourBox::SplitInto(CColourBox& newBox)
{
    newBox = *this;
    const int32_t axis = SplitAxis();
    const uint32_t mid = (Min(axis) + Max(axis)) >> 1;
    switch (axis) {
    case RED_AXIS:
        m_redMax = mid;
        newBox.m_redMin = mid + 1;
        break;
    case GREEN_AXIS:
        m_greenMax = mid;
        newBox.m_greenMin = mid + 1;
        break;
    default:
        m_blueMax = mid;
        newBox.m_blueMin = mid + 1;
        break;
    }
}

// ---------------------------------------------------------------------------------------
// Averaging
// ---------------------------------------------------------------------------------------

// Sums are 64-bit: a large bright picture alone takes value × count past 2^31.
void CColourBox::ComputeColour()
{
    const CColourHistogram& histogram = Histogram();
    int64_t total = 0;
    int64_t redSum = 0;
    int64_t greenSum = 0;
    int64_t blueSum = 0;
    for (uint32_t r = m_redMin; r <= m_redMax; ++r)
        for (uint32_t g = m_greenMin; g <= m_greenMax; ++g)
            for (uint32_t b = m_blueMin; b <= m_blueMax; ++b) {
                const int64_t count = histogram.CellAt(r, g, b);
                total += count;
                redSum += RedValue(r) * count;
                greenSum += GreenValue(g) * count;
                blueSum += BlueValue(b) * count;
            }
    if (total == 0)
        throw CFatalError("colour box: no counted pixel to average");
    m_colour.red = RoundedMean(redSum, total);
    m_colour.green = RoundedMean(greenSum, total);
    m_colour.blue = RoundedMean(blueSum, total);
}
