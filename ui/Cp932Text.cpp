#include "Cp932Text.h"

#include "Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {
constexpr char16_t Replacement = u'\uFFFD';
constexpr const char *CodePage = "windows-31j";

bool isSingleByteCharacter(unsigned char b) { return b < 0x80 || (b >= 0xA1 && b <= 0xDF); }
} // namespace

QString decodeCp932(std::string_view bytes)
{
    QString text;
    text.reserve(qsizetype(bytes.size()));
    QStringDecoder decoder(CodePage, QStringDecoder::Flag::Stateless);
    size_t runStart = 0; // start of a run of double-byte characters handed to the decoder at once
    auto flushRun = [&](size_t runEnd) {
        if (runEnd > runStart) text += decoder.decode(QByteArrayView(bytes.data() + runStart, qsizetype(runEnd - runStart)));
    };
    size_t at = 0;
    while (at < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[at]);
        const size_t length = cp932::charLengthAt(bytes, at);
        if (length == 2) {
            at += 2;
            continue;
        }
        flushRun(at);
        if (b < 0x80)
            text += QChar(b); // ASCII as it is, control codes included
        else if (isSingleByteCharacter(b))
            text += QChar(char16_t(0xFF61 + (b - 0xA1))); // half-width katakana
        else
            text += QChar(Replacement);
        runStart = ++at;
    }
    flushRun(at);
    return text;
}

std::optional<std::string> encodeCp932(const QString &text, QString *unmappable)
{
    std::string bytes;
    bytes.reserve(size_t(text.size()) * 2);
    QStringEncoder encoder(CodePage, QStringEncoder::Flag::Stateless);
    for (qsizetype at = 0; at < text.size();) {
        const qsizetype length = text.at(at).isHighSurrogate() && at + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(at, length);
        at += length;
        if (character.at(0).unicode() < 0x80) {
            bytes.push_back(char(character.at(0).unicode()));
            continue;
        }
        const QByteArray encoded = encoder.encode(character);
        if (encoder.hasError() || encoded.isEmpty()) {
            if (unmappable) *unmappable = character;
            return std::nullopt;
        }
        bytes.append(encoded.constData(), size_t(encoded.size()));
    }
    return bytes;
}
