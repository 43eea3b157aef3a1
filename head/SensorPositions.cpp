#include "head/SensorPositions.h"

#include "model/FileStream.h"
#include "model/ORVAError.h"
#include "model/PathText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <set>

namespace orva {

namespace {

// A positions file lists a few hundred sensors at most; anything far larger is not one.
constexpr std::int64_t kLargestPositionsFile = 16 * 1024 * 1024;

std::string ReadWholeFile(const std::filesystem::path& path)
{
    TFileStream stream(path, TFileMode::fmOpenRead);
    if (stream.Size() > kLargestPositionsFile)
        throw EORVAError(PathText(path), "too large for a sensor positions file");
    std::string bytes(static_cast<std::size_t>(stream.Size()), '\0');
    bytes.resize(stream.Read(bytes.data(), bytes.size()));
    return bytes;
}

// Calls each(lineNumber, line) for every line; lines end at LF or CR LF.
template <class F> void ForEachLine(std::string_view text, F each)
{
    int number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        each(++number, line);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
}

std::vector<std::string_view> SplitOn(std::string_view line, std::string_view separators, bool mergeRuns)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        if (mergeRuns) {
            start = line.find_first_not_of(separators, start);
            if (start == std::string_view::npos)
                break;
        }
        const std::size_t end = line.find_first_of(separators, start);
        fields.push_back(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return fields;
}

std::string LineCause(int line, const std::string& what) { return "line " + std::to_string(line) + ": " + what; }

double Coordinate(std::string_view text, int line, const std::filesystem::path& path)
{
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    double value = 0;
    const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc() || ptr != digits.data() + digits.size() || !std::isfinite(value))
        throw EORVAError(PathText(path), LineCause(line, "\"" + std::string(text) + "\" is not a finite number"));
    return value;
}

bool IsFiducial(std::string_view label)
{
    return label.size() >= 3 && std::tolower(static_cast<unsigned char>(label[0])) == 'f' &&
           std::tolower(static_cast<unsigned char>(label[1])) == 'i' &&
           std::tolower(static_cast<unsigned char>(label[2])) == 'd';
}

// Collects sensors, refusing a label seen before or a sensor at the origin.
class TSensorList {
public:
    explicit TSensorList(const std::filesystem::path& path) : path_(path) {}
    void Add(std::string_view label, double x, double y, double z, int line)
    {
        if (x == 0 && y == 0 && z == 0)
            throw EORVAError(PathText(path_), LineCause(line, "sensor " + std::string(label) + " lies at the origin"));
        if (!labels_.emplace(label).second)
            throw EORVAError(PathText(path_), LineCause(line, "sensor " + std::string(label) + " is listed twice"));
        sensors_.push_back({std::string(label), x, y, z, line});
    }
    std::vector<TSensorPosition> Take() { return std::move(sensors_); }

private:
    const std::filesystem::path& path_;
    std::set<std::string, std::less<>> labels_;
    std::vector<TSensorPosition> sensors_;
};

std::string LowerExtension(const std::filesystem::path& path)
{
    std::string ext = PathText(path.extension());
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

} // namespace

std::vector<TSensorPosition> ParseSfp(std::string_view text, const std::filesystem::path& path)
{
    TSensorList sensors(path);
    ForEachLine(text, [&](int number, std::string_view line) {
        const auto fields = SplitOn(line, " \t", true);
        if (fields.empty())
            return;
        if (fields.size() != 4)
            throw EORVAError(PathText(path), LineCause(number, "expected a label and x, y and z"));
        const double x = Coordinate(fields[1], number, path);
        const double y = Coordinate(fields[2], number, path);
        const double z = Coordinate(fields[3], number, path);
        if (!IsFiducial(fields[0]))
            sensors.Add(fields[0], x, y, z, number);
    });
    return sensors.Take();
}

std::vector<TSensorPosition> ParseElectrodesTsv(std::string_view text, const std::filesystem::path& path)
{
    TSensorList sensors(path);
    std::size_t columns = 0, name = 0, x = 0, y = 0, z = 0;
    ForEachLine(text, [&](int number, std::string_view line) {
        if (line.empty())
            return;
        const auto fields = SplitOn(line, "\t", false);
        if (columns == 0) {
            auto column = [&](std::string_view wanted) {
                const auto it = std::find(fields.begin(), fields.end(), wanted);
                if (it == fields.end())
                    throw EORVAError(PathText(path), LineCause(number, "the header has no column \"" + std::string(wanted) + "\""));
                return static_cast<std::size_t>(it - fields.begin());
            };
            name = column("name"), x = column("x"), y = column("y"), z = column("z");
            columns = fields.size();
            return;
        }
        if (fields.size() != columns)
            throw EORVAError(PathText(path), LineCause(number, "expected " + std::to_string(columns) +
                                                                   " tab-separated fields as in the header, found " +
                                                                   std::to_string(fields.size())));
        if (fields[name].empty())
            throw EORVAError(PathText(path), LineCause(number, "the name is empty"));
        sensors.Add(fields[name], Coordinate(fields[x], number, path), Coordinate(fields[y], number, path),
                    Coordinate(fields[z], number, path), number);
    });
    if (columns == 0)
        throw EORVAError(PathText(path), "no header line with the columns name, x, y and z");
    return sensors.Take();
}

std::vector<TSensorPosition> ReadSensorPositions(const std::filesystem::path& path)
{
    const std::string ext = LowerExtension(path);
    if (ext != ".sfp" && ext != ".tsv")
        throw EORVAError(PathText(path), "not a sensor positions file (expected .sfp or a BIDS _electrodes.tsv)");
    const std::string text = ReadWholeFile(path);
    return ext == ".sfp" ? ParseSfp(text, path) : ParseElectrodesTsv(text, path);
}

namespace {

// hypot: the squares of coordinates beyond 1e154 (or below 1e-154) would overflow
// (underflow) and give a zero vector (no direction) for a sensor the file may hold.
std::optional<TPoint3> Direction(const TSensorPosition& s, TPoint3 origin)
{
    const double dx = s.X - origin.X, dy = s.Y - origin.Y, dz = s.Z - origin.Z;
    const double r = std::hypot(dx, dy, dz);
    if (!(r > 0))
        return std::nullopt;
    return TPoint3{dx / r, dy / r, dz / r};
}

std::string NumberText(double value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

} // namespace

std::vector<std::optional<TPoint3>> ChannelDirections(const std::vector<TSensorPosition>& sensors,
                                                      const std::vector<std::string>& channelNames, TPoint3 origin)
{
    std::vector<std::optional<TPoint3>> directions(channelNames.size());
    for (const TSensorPosition& s : sensors) {
        const auto it = std::find(channelNames.begin(), channelNames.end(), s.Label);
        if (it != channelNames.end())
            directions[static_cast<std::size_t>(it - channelNames.begin())] = Direction(s, origin);
    }
    return directions;
}

std::vector<TPoint3> RequireDirections(const std::vector<TSensorPosition>& sensors, const std::vector<int>& channels,
                                       const std::vector<std::string>& channelNames, TPoint3 origin,
                                       const std::filesystem::path& positionsFile, const std::string& dataFile)
{
    std::vector<TPoint3> out;
    out.reserve(channels.size());
    for (int c : channels) {
        const auto i = static_cast<std::size_t>(c);
        const std::string name = c >= 0 && i < channelNames.size() ? channelNames[i] : "";
        // The last sensor of a label, as ChannelDirections takes it.
        const auto found = std::find_if(sensors.rbegin(), sensors.rend(),
                                        [&](const TSensorPosition& s) { return !name.empty() && s.Label == name; });
        if (found == sensors.rend())
            throw EORVAError(dataFile, "channel " + std::to_string(c + 1) + " (" + name + ") has no position in " +
                                           PathText(positionsFile));
        const std::optional<TPoint3> direction = Direction(*found, origin);
        if (!direction)
            throw EORVAError(PathText(positionsFile),
                             (found->Line > 0 ? "line " + std::to_string(found->Line) + ": " : std::string()) +
                                 "sensor " + name + " lies at the origin (" + NumberText(origin.X) + " " +
                                 NumberText(origin.Y) + " " + NumberText(origin.Z) + "), so it has no direction");
        out.push_back(*direction);
    }
    return out;
}

} // namespace orva
