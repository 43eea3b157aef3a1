#include "ui/ClusterTestChoices.h"

#include "plot/QtText.h"

#include <QLocale>
#include <QStringList>

#include <cmath>

namespace orva::ui {

namespace {

QStringList Words(const QString& text) { return text.split(QLatin1Char(' '), Qt::SkipEmptyParts); }

std::optional<double> Number(const QString& word)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(word.trimmed(), &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// Whole numbers from 1, stored from 0; nothing when a word is not one.
std::optional<std::vector<int>> Numbers(const QString& text)
{
    std::vector<int> list;
    for (const QString& word : Words(text)) {
        bool ok = false;
        const int n = word.toInt(&ok);
        if (!ok || n < 1)
            return std::nullopt;
        list.push_back(n - 1);
    }
    return list;
}

} // namespace

TClusterTestChoices ReadClusterTestChoices(const TClusterTestFields& f)
{
    TClusterTestChoices c;
    auto refuse = [&c](const char* field, const QString& why) {
        c.Field = QLatin1String(field);
        c.Problem = c.Field + QStringLiteral(": ") + why;
        return c;
    };
    const auto cells = Numbers(f.Cells);
    if (!cells || cells->empty() || cells->size() > 2)
        return refuse("Cells", QStringLiteral("give one cell (tested against 0) or two (A - B), numbered from 1, "
                                              "such as 2 1"));
    c.Input.Cells = *cells;

    const QStringList window = Words(f.Window);
    if (!window.isEmpty()) {
        const auto start = window.size() == 2 ? Number(window[0]) : std::nullopt;
        const auto end = window.size() == 2 ? Number(window[1]) : std::nullopt;
        if (!start || !end)
            return refuse("Window", QStringLiteral("two times in ms such as 250 600, or nothing for every sample"));
        if (*start > *end)
            return refuse("Window", QStringLiteral("the start comes after the end"));
        c.Input.WindowStart = start;
        c.Input.WindowEnd = end;
    }

    const auto channels = Numbers(f.Channels);
    if (!channels)
        return refuse("Channels", QStringLiteral("channel numbers from 1 such as 1 2 3, or nothing for every channel"));
    if (!channels->empty())
        c.Input.Channels = *channels;

    const QString positions = f.Positions.trimmed(), neighbours = f.Neighbours.trimmed();
    if (!positions.isEmpty() && !neighbours.isEmpty())
        return refuse("Neighbours", QStringLiteral("give the positions or a neighbours file, not both"));
    if (positions.isEmpty() && neighbours.isEmpty())
        return refuse("Positions", QStringLiteral("clusters need the channels' neighbours: give a positions file "
                                                  "or a neighbours file"));
    if (!positions.isEmpty())
        c.Source.Positions = plot::TextToPath(positions);
    else
        c.Source.NeighboursFile = plot::TextToPath(neighbours);

    if (!f.Tfce) {
        const QString threshold = f.Threshold.trimmed(), p = f.PThreshold.trimmed();
        if (!threshold.isEmpty()) {
            const auto t = Number(threshold);
            if (!t || *t <= 0)
                return refuse("Threshold", QStringLiteral("a positive t such as 2.5, or nothing for the t at the p "
                                                          "threshold"));
            if (!p.isEmpty())
                return refuse("Threshold", QStringLiteral("give the t or the p threshold, not both"));
            c.Options.Threshold = t;
        } else if (!p.isEmpty()) {
            const auto v = Number(p);
            if (!v || *v <= 0 || *v >= 1)
                return refuse("P threshold", QStringLiteral("a number between 0 and 1 such as 0.05"));
            c.Options.PThreshold = *v;
        }
    }
    c.Options.Tfce = f.Tfce;
    c.Options.Tail = f.Tail;

    if (!f.Permutations.trimmed().isEmpty()) {
        bool ok = false;
        const int n = f.Permutations.trimmed().toInt(&ok);
        if (!ok || n < 1)
            return refuse("Permutations", QStringLiteral("a whole number from 1 such as 10000"));
        c.Options.Permutations = n;
    }
    if (!f.Seed.trimmed().isEmpty()) {
        bool ok = false;
        const qulonglong seed = f.Seed.trimmed().toULongLong(&ok);
        if (!ok)
            return refuse("Seed", QStringLiteral("a whole number from 0 such as 1"));
        c.Options.Seed = seed;
    }
    return c;
}

} // namespace orva::ui
