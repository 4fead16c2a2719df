#pragma once
// Failures of the conversion core. Each carries its kind and the facts a message needs;
// ErrorText turns them into the sentence a user reads.

#include <cstdint>
#include <exception>
#include <string>

class CoreError : public std::exception {
public:
    enum class Kind {
        WidthNotANumber, // a width text that cannot be read as a number
        WidthOverflow,   // a width outside -32768..32767
        NegativeWidth,   // a piece cannot be cut with a negative width
        StartBelowOne,   // a field would start before the first character
        StartOverflow,   // a field's start passes 32767
        NoSuchField,     // an output position names a field the table does not have
        CountOverflow,   // more records than a 32-bit count holds
        FileOpen,
        FileRead,
        FileWrite,
        FileDelete,
        FileShrank,           // the file became shorter than what had been read of it
        SameFile,             // the output would overwrite the source
        OutputIsDefinition,   // the output would overwrite a definition file of the run
        SameOutput,           // two outputs of one run are one file
        EmptyPipe,            // a named pipe read without waiting held no data: its writer had not started
        TooManyEntries,       // a definition file holds more fields or output positions than 16 bits count
        MalformedKeywordLine, // a definition file's keyword line cannot be read
    };

    // Why a keyword line of a definition file cannot be read.
    enum class LineFault {
        None,
        MissingNumber,     // no number where the keyword needs one
        RecordLengthRange, // a record length outside 1..32767
        FieldNumberRange,  // a field number outside 1..32767
        MissingText,       // no blank and text after the field number
        ExtraText,         // something after a keyword that takes nothing (more)
    };

    explicit CoreError(Kind kind) : kind_(kind) {}

    Kind kind() const { return kind_; }
    const char *what() const noexcept override;

    // Facts; which of them are set depends on the kind.
    int field = 0;            // field number (1-based)
    int position = 0;         // output position (1-based)
    bool inSelection = false; // the field is the one the record selection compares
    std::string widthText;    // the width text as stored (CP932 bytes)
    long long start = 0;      // start position that failed
    std::string path;         // file concerned
    std::string reason;       // the system's description
    int32_t record = 0;       // record in hand when a run failed; 0 outside a run
    bool unitIsBytes = false;
    int line = 0;         // line number in a definition file (1-based)
    std::string lineText; // that line (CP932 bytes)
    LineFault lineFault = LineFault::None;

    static CoreError fileError(Kind kind, const std::string &path, int errnoValue);

private:
    Kind kind_;
};
