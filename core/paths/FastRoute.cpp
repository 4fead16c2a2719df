#include "paths/FastRoute.h"

#include "compose/OutputFormat.h"
#include "cp932/Cp932Codec.h"
#include "paths/FastRouteKernels.h"

#include <algorithm>

namespace {

void addChecks(FastShape &shape, const RecordChecks &checks, const ComposePlan &plan)
{
    shape.checked = true;
    shape.byLength = checks.byLength();
    shape.total = checks.total();
    if (shape.characters) return;
    for (const long long boundary : plan.boundaries()) {
        if (boundary <= 0) continue;
        const size_t block = size_t(boundary) / FastShape::MaxBytes;
        if (shape.splitBoundaryBlocks.size() <= block) shape.splitBoundaryBlocks.resize(block + 1);
        shape.splitBoundaryBlocks[block] |= uint64_t(1) << (boundary % FastShape::MaxBytes);
    }
}

// The line of a record long enough for every column, as picks of its bytes, when it is short
// enough.
void addFixedLine(FastShape &shape, const ComposePlan &plan)
{
    const std::vector<long long> &boundaries = plan.boundaries();
    size_t length = 0;
    long long reach = 0;
    uint8_t line[2 * FastShape::MaxBytes];
    for (const ComposePlan::Column &column : plan.columns()) {
        const bool first = &column == plan.columns().data();
        const long long from = boundaries[column.firstBoundary], to = boundaries[column.lastBoundary];
        reach = std::max(reach, to);
        const size_t needed = length + (first ? 0 : 1) + size_t(to - from);
        if (reach > (long long)FastShape::MaxBytes || needed > sizeof line) return;
        if (!first) line[length++] = FastShape::MaxBytes; // the delimiter
        for (long long at = from; at < to; ++at) line[length++] = uint8_t(at);
    }
    shape.fixedFrom = uint8_t(reach);
    shape.fixedLength = uint8_t(length);
    std::copy(line, line + length, shape.fixedLine);
    for (size_t at = 0; at < length; ++at) {
        const uint8_t pick = line[at];
        for (size_t lane = 0; lane < 4; ++lane)
            shape.fixedLanePicks[at / 32][lane][at % 32] = pick / 16 == lane ? pick % 16 : 0x80;
        if (pick == FastShape::MaxBytes) shape.fixedDelimiters[at] = shape.delimiter;
    }
}

} // namespace

FastKernels fastKernelsFor(SimdPath path)
{
    if (path > simdPath()) return {};
#if defined(__x86_64__) && defined(__GNUC__)
    if (path == SimdPath::Avx512) return {avx512Record, avx512Lines, avx512Check};
    if (path == SimdPath::Avx2) return {avx2Record, avx2Lines, avx2Check};
#endif
    return {};
}

std::optional<FastRoute> FastRoute::prepare(const ComposePlan &plan, const RecordChecks *checks,
                                            const OutputOptions &options, std::string_view delimiter,
                                            FastKernels kernels)
{
    const std::vector<long long> &boundaries = plan.boundaries();
    // Made UTF-8, a column is its own characters only where the delimiter is no byte of one.
    const bool utf8Served = !plan.typed() && outsideCharacters(delimiter);
    if (!kernels.record || plan.failure() || !plan.hasColumns() || (options.utf8 && !utf8Served) ||
        delimiter.size() != 1)
        return std::nullopt;
    FastShape shape;
    shape.shortRecords = !(plan.typed() && plan.typedRoom(FastShape::MaxBytes) > FastShape::MaxTypedRoom) &&
                         boundaries.size() <= FastShape::MaxBytes && plan.columns().size() <= FastShape::MaxBytes;
    shape.characters = plan.unit() == WidthUnit::Characters;
    const bool longServed = !plan.typed() && !options.quote && !options.utf8 &&
                            (!shape.characters || (uint64_t)boundaries.back() < FastShape::MaxLongCharacters);
    if (!shape.shortRecords && !longServed) return std::nullopt;
    shape.delimiter = delimiter.front();
    shape.trim = options.trim;
    shape.quote = options.quote;
    if (longServed) {
        shape.longPlan = &plan;
        if (shape.characters) {
            shape.longBoundaryMarks.resize(size_t(boundaries.back()) / 64 + 2);
            for (const long long boundary : boundaries)
                shape.longBoundaryMarks[size_t(boundary) / 64] |= uint64_t(1) << (boundary % 64);
        }
    }
    if (checks) addChecks(shape, *checks, plan);
    if (!shape.shortRecords) return FastRoute(std::move(shape), kernels);
    shape.boundaryCount = uint8_t(boundaries.size());
    std::fill(std::begin(shape.boundaries), std::end(shape.boundaries), uint8_t(FastShape::MaxBytes));
    for (size_t i = 0; i < boundaries.size(); ++i) {
        shape.boundaries[i] = uint8_t(std::min<long long>(boundaries[i], FastShape::MaxBytes));
        if (boundaries[i] < (long long)FastShape::MaxBytes) shape.boundaryCharacters |= uint64_t(1) << boundaries[i];
    }
    for (const ComposePlan::Column &column : plan.columns()) {
        shape.columnFirst[shape.columnCount] = uint8_t(column.firstBoundary);
        shape.columnLast[shape.columnCount++] = uint8_t(column.lastBoundary);
    }
    if (options.utf8) shape.utf8Cells = cp932::Utf8Cell::byTwoBytes();
    if (plan.typed()) {
        shape.typedPlan = &plan;
        shape.columnRoom = std::max(FastShape::MaxBytes, plan.typedRoom(FastShape::MaxBytes));
    }
    if (!shape.characters && !shape.typedPlan && !shape.trim && !shape.quote && !shape.utf8Cells)
        addFixedLine(shape, plan);
    return FastRoute(std::move(shape), kernels);
}

std::optional<FastChecks> FastChecks::prepare(const ComposePlan &plan, const RecordChecks &checks, FastKernels kernels)
{
    if (!kernels.check) return std::nullopt;
    FastShape shape;
    shape.characters = plan.unit() == WidthUnit::Characters;
    addChecks(shape, checks, plan);
    return FastChecks(std::move(shape), kernels.check);
}
