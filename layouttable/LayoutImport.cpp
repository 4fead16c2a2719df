#include "LayoutImport.h"

#include "layout/AttributeType.h"
#include "cp932/Cp932Codec.h"
#include "TableText.h"
#include "layout/WidthText.h"

#include <map>

namespace {

void appendCsvCell(std::string &out, const std::string &cell)
{
    if (cell.find_first_of(",\"\r\n") == std::string::npos) {
        out += cell;
        return;
    }
    out.push_back('"');
    for (char c : cell) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

} // namespace

Definition definitionOfSection(const LayoutTable &table, const TableSection &section)
{
    Definition definition;
    definition.settings.Unit = table.unit;
    std::map<int, int> fieldAtPosition;
    bool positionsGiven = false;
    for (const TableField &field : section.fields) {
        if (field.width > Int16Max)
            throw LayoutTableError(std::to_string(field.line) + " 行目「" + field.name + "」: 長さ " +
                                   std::to_string(field.width) + " は 1 項目に持てる " + std::to_string(Int16Max) +
                                   " を超えます。");
        definition.fields.push_back({std::to_string(field.width), utf8ToCp932(field.name)});
        const int number = int(definition.fields.size());
        if (const FieldType type = fieldTypeFromAttribute(field.attribute);
            type.kind != FieldKind::Text && !field.filler)
            definition.settings.Types[int16_t(number)] = type;
        for (int position : field.outputs) fieldAtPosition[position] = number;
        positionsGiven = positionsGiven || !field.outputs.empty();
    }
    if (positionsGiven) {
        const int last = fieldAtPosition.rbegin()->first;
        definition.outputs.assign(size_t(last), DefinitionOutput{-1, true});
        for (const auto &[position, field] : fieldAtPosition)
            definition.outputs[size_t(position - 1)] = {int16_t(field), true};
    } else {
        for (size_t index = 0; index < section.fields.size(); ++index)
            if (!section.fields[index].filler) definition.outputs.push_back({int16_t(index + 1), true});
    }
    // Data a copybook describes comes without line ends, and its binary and packed numbers may
    // hold CR and LF bytes: it is read by length (a line end after a record is still skipped). A
    // table may leave out the last fields of a record, so its records stay lines.
    if (table.copybook && table.unit == WidthUnit::Bytes && section.recordLength > 0 &&
        section.recordLength <= MaxRecordLength)
        definition.settings.RecordLength = int32_t(section.recordLength);
    if (definition.outputs.empty())
        throw LayoutTableError("「" + section.title + "」には出力する項目がありません (すべて FILLER か空きです)。");
    return definition;
}

std::string layoutTableCsv(const LayoutModel &model)
{
    std::map<int, std::string> positionsOfField;
    const int positions = model.OutputLayout ? int(model.OutputLayout->size()) - 1 : 0;
    for (int position = 1; position <= positions; ++position) {
        const int field = (*model.OutputLayout)[size_t(position)].SourceField;
        if (field == -1) break;
        std::string &list = positionsOfField[field];
        list += (list.empty() ? "" : " ") + std::to_string(position);
    }
    std::string out = "\xEF\xBB\xBF";
    out += "番号,項目名,開始位置,";
    out += model.Unit == WidthUnit::Bytes ? "バイト数" : "文字数";
    out += ",出力位置\r\n";
    long long start = 1;
    for (int field = 1; field <= model.fieldsInTable(); ++field) {
        const int16_t width = fieldWidth(model, field);
        out += std::to_string(field) + ",";
        appendCsvCell(out, cp932::toUtf8(model.FieldTable[size_t(field - 1)].Name));
        out += "," + std::to_string(start) + "," + std::to_string(width) + ",";
        out += positionsOfField[field] + "\r\n";
        start += width;
    }
    return out;
}
