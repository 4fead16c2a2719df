#pragma once
// Failures of the conversion core. Each carries its kind and the facts a message needs;
// ErrorText turns them into the sentence a user reads.

#include "compose/RecordChecks.h"
#include "layout/mdlGlobal.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

// The system's reason for `errnoValue` in the user's language (the locale's messages), as UTF-8
// whatever the locale's character set.
std::string systemReason(int errnoValue);

// The longest line a definition file may hold: twice the longest selection text (32767
// double-byte characters) leaves room for any keyword line, entry and field name in use.
inline constexpr size_t MaxDefinitionLineBytes = 1 << 17;

class CoreError : public std::exception {
public:
    enum class Kind {
        WidthNotANumber, // a width text that cannot be read as a number
        WidthOverflow,   // a width outside -32768..32767
        NegativeWidth,   // a piece cannot be cut with a negative width
        StartBelowOne,   // a field would start before the first character
        NoSuchField,     // an output position names a field the table does not have
        CountOverflow,   // more records than a 32-bit count holds
        FileOpen,
        FileRead,
        FileWrite,
        FileDelete,
        FileShrank,         // the file became shorter than what had been read of it
        SameFile,           // the output would overwrite the source
        OutputIsDefinition, // the output would overwrite a definition file of the run
        SameOutput,         // two outputs of one run are one file
        OutputInUse,        // another run holds the output
        OutputReadOnly,     // the existing output may not be written
        EmptyPipe,          // a named pipe read without waiting held no data: its writer had not started
        TooManyEntries,     // a definition file holds more fields or output positions than 16 bits count
        MalformedLine,      // a line of a definition file cannot be read
        NoOutputColumns,    // the output list starts with an empty position: no column would be written
        ReadStopped,        // a read was stopped before it ended by the user
        ReadTimedOut,       // a read was stopped after the time it may take
        RecordWarning,      // a record drew a warning while warnings end the run
        PartOfStream,       // a part was asked of a source that is not a regular file
    };

    // Why a line of a definition file cannot be read.
    enum class LineFault {
        None,
        MissingNumber,     // no number where the keyword needs one
        RecordLengthRange, // a record length outside 1..MaxRecordLength
        FieldNumberRange,  // a field number outside 1..32767
        MissingText,       // no blank and text after the field number
        ExtraText,         // something after a keyword that takes nothing (more)
        NotAnEntry,        // an output entry that is not a whole number (a keyword line after "OUT")
        TooLong,           // longer than any line a definition file can hold
        Utf8File,          // a file saved as UTF-8 (it begins with the byte order mark)
        DecimalsRange,     // implied decimals outside 0..MaxDecimals
        UnknownDateFormat, // no date format, or one the program does not know
    };

    // Each kind is made by its own function, which takes exactly the facts its sentence uses.
    // Widths are the width texts as stored (CP932 bytes); fields are 1-based.
    static CoreError widthNotANumber(int field, std::string widthText);
    static CoreError widthOverflow(int field, std::string widthText);
    static CoreError negativeWidth(int field, std::string widthText);
    static CoreError startBelowOne(int field, long long start);
    static CoreError noSuchField(int field);
    static CoreError countOverflow();
    // FileOpen, FileRead, FileWrite or FileDelete: the file and the system's reason.
    static CoreError fileError(Kind kind, const std::string &path, int errnoValue);
    // FileWrite for a reason of the program's own rather than the system's.
    static CoreError writeRefused(std::string path, std::string reason);
    static CoreError fileShrank(std::string path);
    static CoreError sameFile(std::string outputPath);
    static CoreError outputIsDefinition(std::string outputPath);
    static CoreError sameOutput(std::string outputPath);
    static CoreError outputInUse(std::string outputPath);
    static CoreError outputReadOnly(std::string outputPath);
    static CoreError emptyPipe(std::string path);
    static CoreError readStopped(std::string path);
    static CoreError readTimedOut(std::string path, int seconds);
    static CoreError noOutputColumns();
    static CoreError tooManyEntries(std::string definitionPath);
    // The line's text (CP932 bytes, or its start when TooLong) and why it cannot be read;
    // withDefinitionLine adds where.
    static CoreError malformedLine(std::string lineText, LineFault fault);
    static CoreError recordWarning(Warning warning);
    static CoreError partOfStream(std::string path);

    // Facts only a caller higher up knows, added as the error passes through it: the output
    // position whose field failed, the selection's field, the record in hand, the line's place.
    CoreError &withPosition(int position);
    CoreError &withSelection();
    CoreError &withRecord(int32_t record);
    CoreError &withTarget(int target); // the run's layout, from 1, refused before the run
    CoreError &withDefinitionLine(std::string path, int line);

    Kind kind() const { return kind_; }
    const char *what() const noexcept override;

    // Facts; which of them are set depends on the kind.
    int field() const { return field_; }
    int position() const { return position_; } // 0: none
    bool inSelection() const { return inSelection_; }
    const std::string &widthText() const { return widthText_; }
    long long start() const { return start_; }
    const std::string &path() const { return path_; }
    const std::string &reason() const { return reason_; }
    int systemError() const { return systemError_; } // errno of a file error; 0 for other kinds
    int32_t record() const { return record_; }       // 0 outside a run
    int target() const { return target_; }           // 0: none
    int line() const { return line_; }               // 1-based line of a definition file
    int seconds() const { return seconds_; }         // how long a read waited
    const std::string &lineText() const { return lineText_; }
    LineFault lineFault() const { return lineFault_; }
    Warning warning() const { return warning_; }

private:
    explicit CoreError(Kind kind) : kind_(kind) {}
    static CoreError ofWidth(Kind kind, int field, std::string widthText);
    static CoreError aboutFile(Kind kind, std::string path);

    Kind kind_;
    int field_ = 0;
    int position_ = 0;
    bool inSelection_ = false; // the field is the one the record selection compares
    std::string widthText_;
    long long start_ = 0;
    std::string path_;
    std::string reason_;
    int systemError_ = 0;
    int32_t record_ = 0;
    int target_ = 0;
    int seconds_ = 0;
    int line_ = 0;
    std::string lineText_;
    LineFault lineFault_ = LineFault::None;
    Warning warning_ = Warning::LengthMismatch;
};
