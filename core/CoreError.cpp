#include "CoreError.h"

#include <cstring>

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
    case Kind::StartOverflow:
        return "field start out of range";
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
    case Kind::EmptyPipe:
        return "named pipe without data";
    case Kind::TooManyEntries:
        return "too many entries in the definition file";
    case Kind::MalformedKeywordLine:
        return "malformed keyword line in the definition file";
    }
    return "conversion error";
}

CoreError CoreError::fileError(Kind kind, const std::string &path, int errnoValue)
{
    CoreError error(kind);
    error.path = path;
    error.reason = std::strerror(errnoValue);
    return error;
}
