#include "ui/ConversionNote.h"

#include <QStringList>

namespace orva::ui {

QString ConversionNote(const ChannelMap& map, int ignoredLines, const QString& mapName, const QString& target)
{
    QStringList lines;
    if (map == IdentityChannelMap(static_cast<std::int32_t>(map.size())))
        lines.append(QStringLiteral("The mapping file %1 leaves every channel where it was: %2 holds the channels "
                                    "in their original order.")
                         .arg(mapName, target));
    if (ignoredLines > 0) {
        const bool one = ignoredLines == 1;
        lines.append(QStringLiteral("%1 %2 of the mapping file %3 %4 ignored (no output channel within 1..%5).")
                         .arg(QString::number(ignoredLines), one ? QStringLiteral("line") : QStringLiteral("lines"),
                              mapName, one ? QStringLiteral("was") : QStringLiteral("were"),
                              QString::number(map.size())));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace orva::ui
