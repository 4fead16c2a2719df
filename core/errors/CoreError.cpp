#include "errors/CoreError.h"

#include "cp932/LocaleCharset.h"

#include <cstring>
#include <utility>

std::string systemReason(int errnoValue)
{
    // A Japanese locale in EUC-JP or Shift_JIS: the messages around the reason are UTF-8.
    return fromLocaleCharset(std::strerror(errnoValue));
}

const char *CoreError::what() const noexcept
{
    switch (kind_) {
    case Kind::WidthNotANumber:
        return "width text is not a number";
    case Kind::WidthOverflow:
        return "width out of range";
    case Kind::NegativeWidth:
        return "negative width";
    case Kind::StartBelowOne:
        return "field starts before the line";
    case Kind::NoSuchField:
        return "output position names no field";
    case Kind::CountOverflow:
        return "record count out of range";
    case Kind::FileOpen:
        return "cannot open file";
    case Kind::FileRead:
        return "cannot read file";
    case Kind::FileWrite:
        return "cannot write file";
    case Kind::FileDelete:
        return "cannot delete file";
    case Kind::FileShrank:
        return "file became shorter while read";
    case Kind::SameFile:
        return "output file is the source file";
    case Kind::OutputIsDefinition:
        return "output file is a definition file";
    case Kind::SameOutput:
        return "two outputs are one file";
    case Kind::OutputInUse:
        return "output file held by another run";
    case Kind::OutputReadOnly:
        return "output file is read-only";
    case Kind::EmptyPipe:
        return "named pipe without data";
    case Kind::TooManyEntries:
        return "too many entries in the definition file";
    case Kind::MalformedLine:
        return "malformed line in the definition file";
    case Kind::NoOutputColumns:
        return "no output column";
    case Kind::ReadStopped:
        return "read stopped";
    case Kind::ReadTimedOut:
        return "read took too long";
    case Kind::RecordWarning:
        return "record drew a warning";
    case Kind::PartOfStream:
        return "a part of a source that is not a regular file";
    }
    return "conversion error";
}

CoreError CoreError::widthNotANumber(int field, std::string widthText)
{
    return ofWidth(Kind::WidthNotANumber, field, std::move(widthText));
}

CoreError CoreError::widthOverflow(int field, std::string widthText)
{
    return ofWidth(Kind::WidthOverflow, field, std::move(widthText));
}

CoreError CoreError::negativeWidth(int field, std::string widthText)
{
    return ofWidth(Kind::NegativeWidth, field, std::move(widthText));
}

CoreError CoreError::startBelowOne(int field, long long start)
{
    CoreError error(Kind::StartBelowOne);
    error.field_ = field;
    error.start_ = start;
    return error;
}

CoreError CoreError::noSuchField(int field)
{
    CoreError error(Kind::NoSuchField);
    error.field_ = field;
    return error;
}

CoreError CoreError::countOverflow() { return CoreError(Kind::CountOverflow); }

CoreError CoreError::fileError(Kind kind, const std::string &path, int errnoValue)
{
    CoreError error = aboutFile(kind, path);
    error.reason_ = systemReason(errnoValue);
    error.systemError_ = errnoValue;
    return error;
}

CoreError CoreError::writeRefused(std::string path, std::string reason)
{
    CoreError error = aboutFile(Kind::FileWrite, std::move(path));
    error.reason_ = std::move(reason);
    return error;
}

CoreError CoreError::fileShrank(std::string path) { return aboutFile(Kind::FileShrank, std::move(path)); }

CoreError CoreError::sameFile(std::string outputPath) { return aboutFile(Kind::SameFile, std::move(outputPath)); }

CoreError CoreError::outputIsDefinition(std::string outputPath)
{
    return aboutFile(Kind::OutputIsDefinition, std::move(outputPath));
}

CoreError CoreError::sameOutput(std::string outputPath) { return aboutFile(Kind::SameOutput, std::move(outputPath)); }

CoreError CoreError::outputInUse(std::string outputPath) { return aboutFile(Kind::OutputInUse, std::move(outputPath)); }

CoreError CoreError::outputReadOnly(std::string outputPath)
{
    return aboutFile(Kind::OutputReadOnly, std::move(outputPath));
}

CoreError CoreError::emptyPipe(std::string path) { return aboutFile(Kind::EmptyPipe, std::move(path)); }

CoreError CoreError::partOfStream(std::string path) { return aboutFile(Kind::PartOfStream, std::move(path)); }

CoreError CoreError::readStopped(std::string path) { return aboutFile(Kind::ReadStopped, std::move(path)); }

CoreError CoreError::readTimedOut(std::string path, int seconds)
{
    CoreError error = aboutFile(Kind::ReadTimedOut, std::move(path));
    error.seconds_ = seconds;
    return error;
}

CoreError CoreError::noOutputColumns() { return CoreError(Kind::NoOutputColumns); }

CoreError CoreError::tooManyEntries(std::string definitionPath)
{
    return aboutFile(Kind::TooManyEntries, std::move(definitionPath));
}

CoreError CoreError::malformedLine(std::string lineText, LineFault fault)
{
    CoreError error(Kind::MalformedLine);
    error.lineText_ = std::move(lineText);
    error.lineFault_ = fault;
    return error;
}

CoreError CoreError::recordWarning(Warning warning)
{
    CoreError error(Kind::RecordWarning);
    error.warning_ = warning;
    return error;
}

CoreError &CoreError::withPosition(int position)
{
    position_ = position;
    return *this;
}

CoreError &CoreError::withSelection()
{
    inSelection_ = true;
    return *this;
}

CoreError &CoreError::withRecord(int32_t record)
{
    record_ = record;
    return *this;
}

CoreError &CoreError::withTarget(int target)
{
    target_ = target;
    return *this;
}

CoreError &CoreError::withDefinitionLine(std::string path, int line)
{
    path_ = std::move(path);
    line_ = line;
    return *this;
}

CoreError CoreError::ofWidth(Kind kind, int field, std::string widthText)
{
    CoreError error(kind);
    error.field_ = field;
    error.widthText_ = std::move(widthText);
    return error;
}

CoreError CoreError::aboutFile(Kind kind, std::string path)
{
    CoreError error(kind);
    error.path_ = std::move(path);
    return error;
}
