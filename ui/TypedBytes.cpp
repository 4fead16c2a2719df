#include "TypedBytes.h"

#include "Cp932Text.h"
#include "MsgBox.h"

#include <QLineEdit>

namespace {

QString codePointOf(const QString &character)
{
    return QStringLiteral("U+%1").arg(character.toUcs4().value(0), 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

std::optional<std::string> typedBytes(const QLineEdit &box, const QString &boxName, const QString &action,
                                      const QString &caption)
{
    const QString text = box.text();
    if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'))) {
        MsgBox(QStringLiteral("%1の欄に改行が含まれているため、%2できません。\r\n"
                              "改行を取り除いてから%2してください。")
                   .arg(boxName, action),
               vbExclamation, caption);
        return std::nullopt;
    }
    QString unmappable;
    std::optional<std::string> bytes = encodeCp932(text, &unmappable);
    if (!bytes)
        // Broken where a reader pauses, so that the box never breaks a word.
        MsgBox(QStringLiteral("%1の欄にある文字「%2」（%3）は\r\n"
                              "シフトJISで表せないため、%4できません。\r\n"
                              "この文字を使わずに入力してください。")
                   .arg(boxName, unmappable, codePointOf(unmappable), action),
               vbExclamation, caption);
    return bytes;
}
