#include "plot/QtText.h"

#include <QByteArray>
#include <QStringDecoder>

namespace orva::plot {

QString NativeToText(const std::string& text)
{
    const QByteArrayView bytes(text.data(), static_cast<qsizetype>(text.size()));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8(bytes);
    if (!utf8.hasError())
        return decoded;
    return QString::fromLocal8Bit(bytes);
}

std::string TextToNative(const QString& text) { return text.toStdString(); }

std::filesystem::path TextToPath(const QString& text) { return std::filesystem::path(text.toStdU16String()); }

QString PathToText(const std::filesystem::path& path) { return QString::fromStdU16String(path.u16string()); }

} // namespace orva::plot
