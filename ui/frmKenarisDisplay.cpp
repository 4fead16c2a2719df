#include "frmKenarisDisplay.h"

#include "BackgroundRead.h"
#include "cp932/Cp932.h"
#include "Cp932Text.h"
#include "errors/ErrorText.h"
#include "MsgBox.h"

#include <QLineEdit>

#include <algorithm>
#include <new>

namespace {
// Enough to read in the box, small enough that a record of megabytes keeps the window quick.
constexpr long long DisplayedCharacters = 4096;
} // namespace

void showBytes(QLineEdit *box, std::string_view bytes)
{
    long long stepped = 0;
    const size_t end = cp932::advanceChars(bytes, 0, DisplayedCharacters, stepped);
    box->setText(decodeCp932(bytes.substr(0, end)));
}

void showOutputLine(QLineEdit *box, std::string_view line, bool utf8)
{
    if (!utf8) return showBytes(box, line);
    // At most four bytes a character; the cut falls before a character's first byte.
    size_t end = std::min<size_t>(line.size(), 4 * DisplayedCharacters);
    while (end < line.size() && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) --end;
    box->setText(QString::fromUtf8(line.data(), qsizetype(end)).left(DisplayedCharacters));
}

std::optional<QString> failureOf(const std::function<void()> &body, const FailureText &describe)
{
    try {
        body();
        return std::nullopt;
    } catch (const CoreError &error) {
        return QString::fromStdString(describe(error));
    } catch (const std::bad_alloc &) {
        return QStringLiteral("メモリが足りないため、処理を続けられませんでした。");
    } catch (const std::exception &error) {
        return QStringLiteral("処理中に予期しないエラーが発生しました。(%1)").arg(QString::fromLocal8Bit(error.what()));
    }
}

std::optional<QString> failureOf(const std::function<void()> &body)
{
    return failureOf(body, [](const CoreError &error) { return describeError(error); });
}

bool refusedWhileReading()
{
    if (!BackgroundRead::busy()) return false;
    MsgBox(QStringLiteral("変換元ファイルを読み込んでいます。読み込みが終わるか、「読み込み中」の「中止」を押してから、"
                          "もう一度操作してください。"),
           vbExclamation);
    return true;
}

void runHandler(const std::function<void()> &body, int style, const QString &title)
{
    if (refusedWhileReading()) return;
    if (const std::optional<QString> text = failureOf(body)) MsgBox(*text, style, title);
}

void runHandler(const std::function<void()> &body) { runHandler(body, vbExclamation, QString()); }
