#include "layout/Slicing.h"

#include "errors/CoreError.h"
#include "cp932/Cp932.h"
#include "layout/WidthText.h"

#include <algorithm>
#include <stdexcept>

namespace {

// Byte offset of unit `units` counted from byte `from` (clamped to the end of the line).
size_t offsetAfter(std::string_view line, size_t from, long long units, WidthUnit unit)
{
    if (unit == WidthUnit::Bytes) return from + size_t(std::min<long long>(units, (long long)(line.size() - from)));
    long long stepped = 0;
    return cp932::advanceChars(line, from, units, stepped);
}

} // namespace

std::string_view cutPiece(std::string_view line, long long start, long long width, WidthUnit unit)
{
    if (start < 1 || width < 0) throw std::invalid_argument("cutPiece: start below 1 or negative width");
    const size_t begin = offsetAfter(line, 0, start - 1, unit);
    const size_t end = offsetAfter(line, begin, width, unit);
    return line.substr(begin, end - begin);
}

void splitSample(std::string_view line, const LayoutModel &model, const std::function<void(std::string_view)> &emit)
{
    const int bound = std::min<int>(model.FieldCount, model.fieldsInTable());
    size_t at = 0; // byte offset of the running start position
    for (int field = 1; field <= bound; ++field) {
        const int16_t width = fieldWidth(model, field);
        if (width < 0) throw CoreError::negativeWidth(field, model.FieldTable[size_t(field - 1)].Width);
        const size_t end = offsetAfter(line, at, width, model.Unit);
        emit(line.substr(at, end - at)); // past the line's end an empty piece, so every field is listed
        at = end;
    }
}
