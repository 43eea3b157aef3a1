#include "tools/ClusterTables.h"

#include "select/CsvText.h"

#include <charconv>
#include <cmath>

namespace orva {

namespace {

std::string SignText(int sign) { return sign > 0 ? "positive" : "negative"; }

std::string TailText(TClusterTail tail)
{
    switch (tail) {
    case TClusterTail::Positive:
        return "one-tailed, positive";
    case TClusterTail::Negative:
        return "one-tailed, negative";
    case TClusterTail::Both:
        break;
    }
    return "two-tailed";
}

std::string Time(double ms) { return FixedDecimal(ms, 3); }

} // namespace

std::string FixedDecimal(double value, int decimals)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value > 0 ? "inf" : "-inf";
    char text[400];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
    std::string s(text, end);
    if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos)
        s.erase(0, 1);
    return s;
}

TClusterExtent ClusterExtent(const TClusterTestResult& r, const TCluster& cluster)
{
    TClusterExtent e;
    const int samples = r.NumSamples();
    e.FirstSample = samples;
    e.LastSample = -1;
    double peak = -1;
    for (int p : cluster.Points) {
        const int c = p / samples, s = p % samples;
        e.FirstSample = std::min(e.FirstSample, s);
        e.LastSample = std::max(e.LastSample, s);
        if (e.Channels.empty() || e.Channels.back() != c)
            e.Channels.push_back(c);
        const double magnitude = std::fabs(r.T[static_cast<std::size_t>(p)]);
        if (magnitude > peak) {
            peak = magnitude;
            e.PeakPoint = p;
        }
    }
    return e;
}

std::vector<std::string> ClusterSummary(const TClusterTestResult& r)
{
    std::vector<std::string> lines;
    std::string n = "n = " + std::to_string(r.N1);
    if (r.Design == TClusterDesign::Independent)
        n = "n = " + std::to_string(r.N1) + " and " + std::to_string(r.N2);
    lines.push_back("design: " + r.DesignText + ", " + n);
    lines.push_back("points: " + std::to_string(r.NumChannels()) + " channels x " + std::to_string(r.NumSamples()) +
                    " samples, " + TailText(r.Tail) + ", df = " + std::to_string(r.Df));
    if (r.Correction != TPointCorrection::None) {
        lines.push_back(std::string("correction: ") +
                        (r.Correction == TPointCorrection::Fdr ? "FDR (Benjamini-Hochberg)" : "Bonferroni") +
                        " over " + std::to_string(r.T.size()) + " points, no clusters");
    } else if (r.Tfce) {
        lines.push_back("threshold: none (TFCE, E = 0.5, H = 2)");
    } else {
        lines.push_back("threshold: t = " + FixedDecimal(r.Threshold, 6) +
                        (r.ThresholdP ? " (p = " + FixedDecimal(*r.ThresholdP, 6) + ")" : std::string(" (given)")));
    }
    if (r.Correction == TPointCorrection::None)
        lines.push_back("permutations: " + std::to_string(r.Null.size()) + (r.Exact ? " (exact)" : " (random)"));
    lines.push_back("zero-variance points: " + std::to_string(r.ZeroVariance));
    if (r.Correction != TPointCorrection::None || r.Tfce) {
        std::size_t below = 0;
        for (double p : r.PCorrected)
            below += p < r.Alpha ? 1 : 0;
        lines.push_back("points with corrected p < " + FixedDecimal(r.Alpha, 3) + ": " + std::to_string(below));
        return lines;
    }
    std::size_t significant = 0;
    for (const TCluster& c : r.Clusters)
        significant += c.P < r.Alpha ? 1 : 0;
    lines.push_back("clusters: " + std::to_string(r.Clusters.size()) + ", " + std::to_string(significant) +
                    " with p < " + FixedDecimal(r.Alpha, 3));
    for (std::size_t i = 0; i < r.Clusters.size(); ++i) {
        const TCluster& c = r.Clusters[i];
        const TClusterExtent e = ClusterExtent(r, c);
        const int samples = r.NumSamples();
        const int peakChannel = e.PeakPoint / samples;
        lines.push_back(std::to_string(i + 1) + " " + SignText(c.Sign) + " mass " + FixedDecimal(c.Mass, 6) + " p " +
                        FixedDecimal(c.P, 6) + " from " + Time(r.TimesMs[static_cast<std::size_t>(e.FirstSample)]) +
                        " to " + Time(r.TimesMs[static_cast<std::size_t>(e.LastSample)]) + " ms, " +
                        std::to_string(e.Channels.size()) + " channel" + (e.Channels.size() == 1 ? "" : "s") +
                        ", peak t " + FixedDecimal(r.T[static_cast<std::size_t>(e.PeakPoint)], 6) + " at " +
                        r.ChannelLabels[static_cast<std::size_t>(peakChannel)] + " " +
                        Time(r.TimesMs[static_cast<std::size_t>(e.PeakPoint % samples)]) + " ms");
    }
    return lines;
}

void WriteClusterTable(const TClusterTestResult& r, TLineSink& sink)
{
    sink.Line(kClusterTableHeader);
    const int samples = r.NumSamples();
    for (std::size_t i = 0; i < r.Clusters.size(); ++i) {
        const TCluster& c = r.Clusters[i];
        const TClusterExtent e = ClusterExtent(r, c);
        std::string channels;
        for (int ch : e.Channels)
            channels += (channels.empty() ? "" : " ") + std::to_string(r.Channels[static_cast<std::size_t>(ch)] + 1);
        const int peakChannel = e.PeakPoint / samples;
        sink.Line(std::to_string(i + 1) + "," + SignText(c.Sign) + "," + FixedDecimal(c.Mass, 6) + "," +
                  FixedDecimal(c.P, 6) + "," + Time(r.TimesMs[static_cast<std::size_t>(e.FirstSample)]) + "," +
                  Time(r.TimesMs[static_cast<std::size_t>(e.LastSample)]) + "," + channels + "," +
                  std::to_string(c.Points.size()) + "," + FixedDecimal(r.T[static_cast<std::size_t>(e.PeakPoint)], 6) +
                  "," + std::to_string(r.Channels[static_cast<std::size_t>(peakChannel)] + 1) + "," +
                  Time(r.TimesMs[static_cast<std::size_t>(e.PeakPoint % samples)]));
    }
}

void WritePointTable(const TClusterTestResult& r, TLineSink& sink)
{
    sink.Line(r.Tfce ? std::string(kPointTableHeader) + std::string(kPointTableTfceColumn)
                     : std::string(kPointTableHeader));
    const int samples = r.NumSamples();
    std::string line;
    for (int c = 0; c < r.NumChannels(); ++c)
        for (int s = 0; s < samples; ++s) {
            const auto p = static_cast<std::size_t>(c * samples + s);
            line = std::to_string(r.Channels[static_cast<std::size_t>(c)] + 1) + "," +
                   std::to_string(r.SampleIndices[static_cast<std::size_t>(s)] + 1) + "," +
                   Time(r.TimesMs[static_cast<std::size_t>(s)]) + "," + FixedDecimal(r.T[p], 6) + "," +
                   FixedDecimal(r.PUncorrected[p], 6) + ",";
            if (r.ClusterOf[p] >= 0)
                line += std::to_string(r.ClusterOf[p] + 1);
            line += ",";
            if (!std::isnan(r.PCorrected[p]))
                line += FixedDecimal(r.PCorrected[p], 6);
            if (r.Tfce)
                line += "," + FixedDecimal(r.TfceScore[p], 6);
            sink.Line(line);
        }
}

void WriteNullValues(const TClusterTestResult& r, TLineSink& sink)
{
    char text[64];
    for (double v : r.Null) {
        const auto end = std::to_chars(text, text + sizeof text, v).ptr;
        sink.Line(std::string_view(text, static_cast<std::size_t>(end - text)));
    }
}

} // namespace orva
