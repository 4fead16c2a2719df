// The record loop against its plain twin: a random layout (widths as random texts, random output
// positions, delimiter, unit, output options, records as lines or by a length, short or past 16
// bits) over random source bytes. The output file must hold exactly what the twin composes record
// by record, or the run must fail with the same error for the first record.

#include "run/ConvertSource.h"
#include "errors/CoreError.h"
#include "FuzzInput.h"
#include "compose/ComposePlan.h"
#include "compose/RecordChecks.h"
#include "paths/FastRoute.h"
#include "paths/PlainCompose.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

std::string scratchPath(const char *name)
{
    const char *dir = std::getenv("TMPDIR");
    return std::string(dir ? dir : "/tmp") + "/kenaris-fuzz-" + std::to_string(getpid()) + "-" + name;
}

// Splits like the reader: CR, CR LF or LF end a line; an end-of-file mark (0x1A) as the last byte
// of a last line without a line end is no data.
std::vector<std::string> plainLines(std::string_view bytes)
{
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            lines.push_back(line);
            line.clear();
        } else {
            line += bytes[i];
        }
    }
    if (!line.empty() && line.back() == '\x1A') line.pop_back();
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// Cuts like the reader by a record length: `length` bytes each, a line end (CR, LF, CR LF) right
// after one skipped; a shorter last record loses the line end it ends in, and an end-of-file mark
// after a final line end, or as all that is left, is no data.
std::vector<std::string> plainRecords(std::string_view bytes, size_t length)
{
    std::vector<std::string> records;
    size_t at = 0;
    while (at < bytes.size() && bytes.substr(at) != "\x1A") {
        std::string_view rest = bytes.substr(at);
        if (rest.size() >= 2 && rest.back() == '\x1A' &&
            (rest[rest.size() - 2] == '\n' || rest[rest.size() - 2] == '\r'))
            rest.remove_suffix(1);
        if (rest.size() < length) {
            if (rest.ends_with('\n')) rest.remove_suffix(1);
            if (rest.ends_with('\r')) rest.remove_suffix(1);
            records.emplace_back(rest);
            break;
        }
        records.emplace_back(rest.substr(0, length));
        at += length;
        if (at < bytes.size() && bytes[at] == '\r') ++at;
        if (at < bytes.size() && bytes[at] == '\n') ++at;
    }
    return records;
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    LayoutModel model;
    std::string delimiterText;
    const int fields = input.byte() % 12;
    for (int i = 0; i < fields; ++i) {
        // Mostly small numbers, sometimes any text.
        const uint8_t kind = input.byte();
        std::string width = kind < 200 ? std::to_string(kind % 9) : input.text(8);
        model.FieldTable.push_back({width, ""});
    }
    model.FieldTable.push_back({});
    model.FieldCount = int16_t(int(input.byte() % 16) - 2);
    if (input.byte() % 8) {
        const size_t slots = input.byte() % 14;
        model.OutputLayout.emplace(slots + 1, OutputItem{-1});
        for (size_t i = 1; i <= slots; ++i) (*model.OutputLayout)[i].SourceField = int16_t(int(input.byte() % 16) - 2);
    }
    delimiterText = input.byte() % 2 ? "," : "\t";
    model.Unit = input.byte() % 2 ? WidthUnit::Bytes : WidthUnit::Characters;
    const uint8_t options = input.byte();
    model.Output = {
        .trim = bool(options & 1), .quote = bool(options & 2), .utf8 = bool(options & 4), .bom = bool(options & 8)};
    // Mostly lines; else a short length, or one past 16 bits up to the longest.
    const int mode = input.byte();
    model.RecordLength = mode < 160   ? 0
                         : mode < 240 ? mode - 159
                                      : 32768 + (mode - 240) * (MaxRecordLength - 32768) / 15;
    const std::string_view source = input.rest();

    const std::string sourcePath = scratchPath("in"), outputPath = scratchPath("out");
    std::ofstream(sourcePath, std::ios::binary).write(source.data(), std::streamsize(source.size()));
    ::unlink(outputPath.c_str());
    model.OutputPath = outputPath;

    // A layout no record could be converted with is refused before the run: its failure does not
    // depend on the record, so an empty line meets it too.
    std::optional<CoreError::Kind> refusal;
    try {
        size_t ignored = 0;
        if (!composePlainly(model, "", delimiterText, ignored)) refusal = CoreError::Kind::NoOutputColumns;
    } catch (const CoreError &error) {
        refusal = error.kind();
    }

    std::string expected;
    std::optional<CoreError::Kind> expectedFailure;
    int32_t linesDone = 0;
    size_t undecodable = 0;
    const std::vector<std::string> records =
        model.RecordLength ? plainRecords(source, size_t(model.RecordLength)) : plainLines(source);
    for (const std::string &line : records) {
        try {
            if (auto out = composePlainly(model, line, delimiterText, undecodable)) {
                if (expected.empty()) expected.assign(plainFileStart(model.Output));
                expected += *out + "\r\n";
            }
        } catch (const CoreError &error) {
            expectedFailure = error.kind();
            break;
        }
        ++linesDone;
    }

    if (refusal) expected.clear();

    // Each vector path's fast route against the plain twin and the checks, record by record.
    if (!refusal && !expectedFailure) {
        const ComposePlan plan(model);
        const RecordChecks checks(model, plan.boundaries());
        for (const SimdPath path : {SimdPath::Avx2, SimdPath::Avx512}) {
            std::optional<FastRoute> route =
                FastRoute::prepare(plan, &checks, model.Output, delimiterText, fastKernelsFor(path));
            for (const std::string &line : route ? records : std::vector<std::string>()) {
                std::string routed;
                Warnings warnings = 0;
                size_t routedUndecodable = 0, plainUndecodable = 0;
                if (route->append(line, line.size(), routed, warnings, routedUndecodable) &&
                    (routed != composePlainly(model, line, delimiterText, plainUndecodable).value_or("") ||
                     routedUndecodable != plainUndecodable || warnings != checks.check(line, line.size())))
                    std::abort();
            }
        }
    }
    try {
        FixedRunEnvironment environment({model}, delimiterText);
        const RunResult result = convertSource(sourcePath, environment);
        if (refusal || expectedFailure || result.count() != linesDone ||
            result.targets[0].undecodable != (long long)undecodable)
            std::abort();
    } catch (const CoreError &error) {
        if (refusal) {
            if (error.kind() != *refusal || error.record() != 0) std::abort();
        } else if (!expectedFailure || error.kind() != *expectedFailure || error.record() != linesDone + 1) {
            std::abort();
        }
    }
    if (readFile(outputPath) != expected) std::abort();
    ::unlink(sourcePath.c_str());
    ::unlink(outputPath.c_str());
    return 0;
}
