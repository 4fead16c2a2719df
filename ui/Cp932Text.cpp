#include "Cp932Text.h"

#include "cp932/Cp932Codec.h"

#include <QList>

QString decodeCp932(std::string_view bytes) { return QString::fromStdString(cp932::toUtf8(bytes)); }

std::optional<std::string> encodeCp932(const QString &text, QString *unmappable)
{
    std::string bytes;
    bytes.reserve(size_t(text.size()) * 2);
    const QList<uint> codes = text.toUcs4();
    for (const uint code : codes) {
        char form[2];
        const size_t length = cp932::encode(char32_t(code), form);
        if (length == 0) {
            if (unmappable) *unmappable = QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
            return std::nullopt;
        }
        bytes.append(form, length);
    }
    return bytes;
}
