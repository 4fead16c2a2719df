#include "errors/ErrorText.h"

#include "cp932/Cp932Codec.h"
#include "read/StandardStream.h"

namespace {

std::string quoted(const std::string &text) { return "「" + text + "」"; }

std::string fieldWithWidth(const CoreError &error)
{
    return "フィールド " + std::to_string(error.field()) + " の文字長" + quoted(cp932::toUtf8(error.widthText()));
}

// A file by its name; standard input and output by what they are.
std::string fileNamed(const std::string &path, const char *standardStream)
{
    return isStandardStream(path) ? std::string(standardStream) : "ファイル" + quoted(path);
}

std::string atPosition(const CoreError &error)
{
    if (error.position() > 0) return "出力位置 " + std::to_string(error.position()) + " の";
    return error.inSelection() ? "対象レコードの指定の" : std::string();
}

std::string lineFaultText(CoreError::LineFault fault)
{
    using Fault = CoreError::LineFault;
    switch (fault) {
    case Fault::MissingNumber:
        return "キーワードの後に数値がありません。";
    case Fault::RecordLengthRange:
        return "レコード長は 1～" + std::to_string(MaxRecordLength) + " の数値で指定します。";
    case Fault::FieldNumberRange:
        return "フィールド番号は 1～32767 の数値で指定します。";
    case Fault::MissingText:
        return "フィールド番号の後に、空白 1 つと比べる文字列がありません。";
    case Fault::ExtraText:
        return "キーワードの後に余分な文字があります。";
    case Fault::DecimalsRange:
        return "小数部の桁数は 0～18 の数値で指定します。";
    case Fault::UnknownDateFormat:
        return "日付の形式は YYYYMMDD、YYMMDD、GYYMMDD、EYYMMDD、YYYYMM のどれかで指定します。";
    case Fault::NotAnEntry:
        return "OUT の後の行には、出力するフィールドの番号を 1 行に 1 つ数値で書きます (-1 は空き)。"
               "キーワード行は OUT より前に書きます。";
    case Fault::TooLong:
    case Fault::Utf8File:
    case Fault::None:
        break;
    }
    return "読み取れません。";
}

} // namespace

std::string describeError(const CoreError &error)
{
    using Kind = CoreError::Kind;
    switch (error.kind()) {
    case Kind::WidthNotANumber:
        return atPosition(error) + fieldWithWidth(error) + "は数値ではありません。";
    case Kind::WidthOverflow:
        return atPosition(error) + fieldWithWidth(error) + "が範囲 (-32768～32767) を超えています。";
    case Kind::NegativeWidth:
        return atPosition(error) + fieldWithWidth(error) + "が負の値です。";
    case Kind::StartBelowOne:
        return atPosition(error) + "フィールド " + std::to_string(error.field()) + " の開始位置 (" +
               std::to_string(error.start()) + ") が 1 より前になります。前のフィールドの文字長を確かめてください。";
    case Kind::NoSuchField:
        return atPosition(error) + "フィールド番号 " + std::to_string(error.field()) +
               " に当たるフィールドがありません。";
    case Kind::CountOverflow:
        return "レコード数が 2147483647 件を超えるため、これ以上変換できません。";
    case Kind::FileOpen:
        return "ファイル" + quoted(error.path()) + "を開けません。(" + error.reason() + ")";
    case Kind::FileRead:
        return fileNamed(error.path(), "標準入力") + "を読み込めません。(" + error.reason() + ")";
    case Kind::FileWrite:
        return fileNamed(error.path(), "標準出力") + "に書き込めません。(" + error.reason() + ")";
    case Kind::FileShrank:
        return "ファイル" + quoted(error.path()) +
               "が読み込みの途中で短くなりました。ほかのプログラムが書き換えた可能性があるため、変換を続けられません。";
    case Kind::FileDelete:
        return "以前の出力ファイル" + quoted(error.path()) + "を削除できません。(" + error.reason() + ")";
    case Kind::SameFile:
        return "出力ファイル" + quoted(error.path()) + "は変換元ファイルと同じです。別のファイルを指定してください。";
    case Kind::OutputIsDefinition:
        return "出力ファイル" + quoted(error.path()) + "は定義ファイルと同じです。別のファイルを指定してください。";
    case Kind::SameOutput:
        return "出力ファイル" + quoted(error.path()) +
               "はほかの出力ファイルと同じです。出力ごとに別のファイルを指定してください。";
    case Kind::OutputInUse:
        return "出力ファイル" + quoted(error.path()) +
               "にはほかの変換が書き込んでいます。その変換が終わってから、または別の出力ファイルを指定して変換してくだ"
               "さい。";
    case Kind::OutputReadOnly:
        return "出力ファイル" + quoted(error.path()) +
               "は読み取り専用のため、上書きしません。書き込みを許可するか、別の出力ファイルを指定してください。";
    case Kind::EmptyPipe:
        return "ファイル" + quoted(error.path()) +
               "は名前付きパイプで、データが届いていません。書き込む側を先に始めてから変換してください。";
    case Kind::TooManyEntries:
        return "定義ファイル" + quoted(error.path()) +
               "には項目が多すぎます。フィールドも出力データも、それぞれ 32767 個までです。";
    case Kind::MalformedLine:
        if (error.lineFault() == CoreError::LineFault::Utf8File)
            return "定義ファイル" + quoted(error.path()) +
                   "は UTF-8 (BOM 付き) で保存されています。定義ファイルは CP932 (Shift-JIS) として読むため、"
                   "CP932 で保存し直してください。";
        if (error.lineFault() == CoreError::LineFault::TooLong)
            return "定義ファイル" + quoted(error.path()) + "の " + std::to_string(error.line()) + " 行目が " +
                   std::to_string(MaxDefinitionLineBytes) +
                   " バイトを超えています。定義ファイルの行はこれより短いはずです。";
        return "定義ファイル" + quoted(error.path()) + "の " + std::to_string(error.line()) + " 行目" +
               quoted(cp932::toUtf8(error.lineText())) + "が正しくありません。" + lineFaultText(error.lineFault());
    case Kind::RecordWarning:
        return "このレコードは" + quoted(std::string(warningName(error.warning()))) +
               "に当たるため、警告で止める指定 (--strict) により変換を中止しました。このレコードは出力していません。";
    case Kind::PartOfStream:
        return "変換元の" + fileNamed(error.path(), "標準入力") +
               "は通常のファイルではない (パイプや端末) ため、パートに分けられません。通常のファイルに保存してから、"
               "そのファイルを指定して変換してください。";
    case Kind::NoOutputColumns:
        return "出力データの先頭が空き (-1) のため、書き出す項目がありません。出力データを指定してください。";
    case Kind::ReadStopped:
        return fileNamed(error.path(), "標準入力") + "の読み込みを中止しました。";
    case Kind::ReadTimedOut:
        return fileNamed(error.path(), "標準入力") + "は " + std::to_string(error.seconds()) +
               " 秒たっても読み終わらないため、読み込みをやめました。名前付きパイプなら、書き込む側を確かめてください"
               "。";
    }
    return error.what();
}

std::string describeRunFailure(const CoreError &error)
{
    const std::string cause = describeError(error);
    // An empty pipe has no record to name.
    if (error.record() <= 0 || error.kind() == CoreError::Kind::EmptyPipe) return cause;
    return std::to_string(error.record()) + " 件目のレコードで変換を中止しました。\n" + cause;
}
