#include "head/ChannelNeighbours.h"

#include "head/DelaunayTriangulation.h"
#include "model/FileStream.h"
#include "model/ORVAError.h"
#include "model/PathText.h"
#include "select/LineSink.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace orva {

namespace {

// A neighbours file has a line per channel; anything far larger is not one.
constexpr std::int64_t kLargestNeighboursFile = 16 * 1024 * 1024;

std::string SensorName(const std::vector<std::string>& labels, int i)
{
    if (static_cast<std::size_t>(i) < labels.size())
        return "\"" + labels[static_cast<std::size_t>(i)] + "\"";
    return std::to_string(i + 1);
}

void Symmetrise(TChannelNeighbours& neighbours)
{
    for (auto& list : neighbours) {
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
    }
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string Quoted(std::string_view s)
{
    return "\"" + std::string(s) + "\"";
}

} // namespace

TChannelNeighbours TriangulationNeighbours(const std::vector<TPoint3>& directions)
{
    return TriangulationNeighbours(directions, {}, {});
}

TChannelNeighbours TriangulationNeighbours(const std::vector<TPoint3>& directions, const std::vector<std::string>& labels,
                                           const std::filesystem::path& positionsFile)
{
    const std::string file = positionsFile.empty() ? std::string() : PathText(positionsFile);
    std::vector<TDiscPoint> points;
    points.reserve(directions.size());
    for (std::size_t i = 0; i < directions.size(); ++i) {
        const TPoint3& d = directions[i];
        if (!std::isfinite(d.X) || !std::isfinite(d.Y) || !std::isfinite(d.Z))
            throw EORVAError(file, "sensor " + SensorName(labels, static_cast<int>(i)) + " has no finite direction");
        points.push_back(ProjectToDisc(d));
    }
    const int n = static_cast<int>(points.size());
    TChannelNeighbours neighbours(static_cast<std::size_t>(n));
    if (n < 3) {
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                if (i != j)
                    neighbours[static_cast<std::size_t>(i)].push_back(j);
    }
    const TTriangulation t = DelaunayTriangulation(points);
    if (t.Coincident)
        throw EORVAError(file, "sensors " + SensorName(labels, t.Coincident->first) + " and " +
                                   SensorName(labels, t.Coincident->second) +
                                   " lie at one point of the map, so their neighbours cannot be told apart");
    if (t.Collinear)
        throw EORVAError(file, "all " + std::to_string(n) + " sensors (" + SensorName(labels, 0) + " to " +
                                   SensorName(labels, n - 1) +
                                   ") lie on one line of the map, so they cannot be triangulated");
    for (const auto& tri : t.Triangles)
        for (int i = 0; i < 3; ++i) {
            const int a = tri[static_cast<std::size_t>(i)], b = tri[static_cast<std::size_t>((i + 1) % 3)];
            neighbours[static_cast<std::size_t>(a)].push_back(b);
            neighbours[static_cast<std::size_t>(b)].push_back(a);
        }
    Symmetrise(neighbours);
    return neighbours;
}

TChannelNeighbours ReadNeighboursFile(const std::filesystem::path& path, const std::vector<std::string>& labels)
{
    TFileStream stream(path, TFileMode::fmOpenRead);
    if (stream.Size() > kLargestNeighboursFile)
        throw EORVAError(PathText(path), "too large for a channel neighbours file");
    std::string bytes(static_cast<std::size_t>(stream.Size()), '\0');
    bytes.resize(stream.Read(bytes.data(), bytes.size()));
    return ParseNeighbours(bytes, path, labels);
}

TChannelNeighbours ParseNeighbours(std::string_view text, const std::filesystem::path& path,
                                   const std::vector<std::string>& labels)
{
    const std::string file = PathText(path);
    std::map<std::string, int, std::less<>> index;
    for (std::size_t i = 0; i < labels.size(); ++i)
        if (!index.emplace(labels[i], static_cast<int>(i)).second)
            throw EORVAError(file, "two channels are labelled " + Quoted(labels[i]) +
                                       ", so a neighbours file cannot tell them apart");
    const std::size_t n = labels.size();
    TChannelNeighbours neighbours(n);
    std::vector<int> lineOf(n, 0);

    int number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        start = end == std::string_view::npos ? text.size() : end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        line = Trim(line);
        if (line.empty() || line.front() == '#')
            continue;
        const std::string where = "line " + std::to_string(number) + ": ";
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            throw EORVAError(file, where + "expected \"LABEL: LABEL LABEL ...\"");
        const std::string_view owner = Trim(line.substr(0, colon));
        if (owner.empty())
            throw EORVAError(file, where + "no channel label before the colon");
        const auto found = index.find(owner);
        if (found == index.end())
            throw EORVAError(file, where + "no channel is labelled " + Quoted(owner));
        const int channel = found->second;
        auto& list = neighbours[static_cast<std::size_t>(channel)];
        if (lineOf[static_cast<std::size_t>(channel)] != 0)
            throw EORVAError(file, where + "channel " + Quoted(owner) + " already has line " +
                                       std::to_string(lineOf[static_cast<std::size_t>(channel)]));
        lineOf[static_cast<std::size_t>(channel)] = number;
        std::string_view rest = line.substr(colon + 1);
        while (true) {
            rest = Trim(rest);
            if (rest.empty())
                break;
            std::size_t cut = 0;
            while (cut < rest.size() && !IsBlank(rest[cut]))
                ++cut;
            const std::string_view label = rest.substr(0, cut);
            rest.remove_prefix(cut);
            const auto other = index.find(label);
            if (other == index.end())
                throw EORVAError(file, where + "no channel is labelled " + Quoted(label));
            if (other->second == channel)
                throw EORVAError(file, where + "channel " + Quoted(owner) + " is listed as its own neighbour");
            list.push_back(other->second);
        }
    }
    for (std::size_t i = 0; i < n; ++i)
        if (lineOf[i] == 0)
            throw EORVAError(file, "no line for channel " + Quoted(labels[i]));
    Symmetrise(neighbours);
    for (std::size_t i = 0; i < n; ++i)
        for (int j : neighbours[i]) {
            const auto& back = neighbours[static_cast<std::size_t>(j)];
            if (!std::binary_search(back.begin(), back.end(), static_cast<int>(i)))
                throw EORVAError(file, "line " + std::to_string(lineOf[i]) + ": " + Quoted(labels[i]) + " lists " +
                                           Quoted(labels[static_cast<std::size_t>(j)]) + " but line " +
                                           std::to_string(lineOf[static_cast<std::size_t>(j)]) + " of " +
                                           Quoted(labels[static_cast<std::size_t>(j)]) + " does not list it back");
        }
    return neighbours;
}

void WriteNeighboursFile(const std::filesystem::path& path, const TChannelNeighbours& neighbours,
                         const std::vector<std::string>& labels)
{
    const std::string file = PathText(path);
    if (labels.size() != neighbours.size())
        throw EORVAError(file, std::to_string(neighbours.size()) + " channels of neighbours but " +
                                   std::to_string(labels.size()) + " labels");
    for (const auto& label : labels)
        if (label.empty() || label.front() == '#' ||
            label.find_first_of(": \t\r\n") != std::string::npos)
            throw EORVAError(file, "the channel label " + Quoted(label) +
                                       " cannot be written to a neighbours file (empty, or holding a colon, a '#' first or white space)");
    for (const auto& list : neighbours)
        for (int j : list)
            if (j < 0 || static_cast<std::size_t>(j) >= labels.size())
                throw EORVAError(file, "a neighbour index " + std::to_string(j) + " names no channel");
    SaveLines(path, "\n", [&](TLineSink& sink) {
        for (std::size_t i = 0; i < labels.size(); ++i) {
            sink.Write(labels[i]);
            sink.Write(":");
            for (int j : neighbours[i]) {
                sink.Write(" ");
                sink.Write(labels[static_cast<std::size_t>(j)]);
            }
            sink.EndLine();
        }
    });
}

} // namespace orva
