// File.quality: the data quality table of "orva quality" as columns of NumPy arrays.
#include "python/BindingSupport.h"
#include "tools/ArtifactReport.h"
#include "tools/DataQuality.h"

#include <cmath>
#include <limits>
#include <mutex>

namespace orva::python {

namespace {

const char* const kQualityDoc =
    R"doc(quality(windows=None, peak_to_peak=None, flat=None, absolute=None, window=None, moving_window=None, chans=None, bad_channels=None, reject_list=None, obs=None, baseline_ms=0, cells=None, bootstrap=None, seed=1, measures=None, polarity="positive", neighbours=0, fraction=0.5, area=None, offset=False) -> dict

The table of "orva quality" as a dict of NumPy arrays under its column names: file, cell,
cell_name, channel, window_start_ms, window_end_ms, trials, asme, baseline_sd and bsme_M
for each measure M; one entry per cell, window and channel, every channel of the file.
The values are exact (not rounded); an empty field of the table is nan.

windows        a list of (start, end) in ms, inclusive; default: every 100 ms window from
               0 ms outward that lies wholly inside the epoch
peak_to_peak, flat, absolute, window, moving_window, chans, bad_channels
               the artifact rules as artifacts() takes them (window and chans are the test
               window and the channels tested); the trials they flag are left out
reject_list    instead of rules: a report of "orva artifacts" (a path), as --reject-list
obs, baseline_ms  the observations averaged and where 0 ms lies, as "orva average" takes them
cells          the cells of the table (a selection as in long_table)
bootstrap      the number of bootstrap averages per cell for each of measures
seed           the bootstrap's seed: the same values on every platform
measures       a list of measure names as measure() takes them; polarity, neighbours,
               fraction, area and offset as there; an average without a value (no area,
               no crossing) is left out of the sd

Session files only. Raises orva.Error with the batch tool's text for what it refuses.)doc";

std::optional<double> Threshold(const py::object& value)
{
    if (value.is_none())
        return std::nullopt;
    return py::float_(value).cast<double>();
}

std::pair<double, double> Pair(const py::handle& value, const char* name, const char* what)
{
    if (py::isinstance<py::str>(value) || !py::hasattr(value, "__len__") || py::len(value) != 2)
        throw py::type_error(std::string(name) + " takes two times in ms: " + what);
    return {py::float_(value[py::int_(0)]).cast<double>(), py::float_(value[py::int_(1)]).cast<double>()};
}

TArtifactRules Rules(const py::dict& k)
{
    TArtifactRules rules;
    rules.PeakToPeak = Threshold(k["peak_to_peak"]);
    rules.Flat = Threshold(k["flat"]);
    rules.Absolute = Threshold(k["absolute"]);
    if (!k["window"].is_none()) {
        const auto [start, end] = Pair(k["window"], "window", "(start, end)");
        rules.WindowStart = start;
        rules.WindowEnd = end;
    }
    if (!k["moving_window"].is_none()) {
        const auto [width, step] = Pair(k["moving_window"], "moving_window", "(width, step)");
        rules.Moving = TMovingWindow{width, step};
    }
    rules.Channels = SelectionArgument(k["chans"], "chans");
    if (auto bad = SelectionArgument(k["bad_channels"], "bad_channels"))
        rules.BadChannels = *bad;
    return rules;
}

py::array_t<double> Values(const std::vector<TQualityRow>& rows, const std::function<std::optional<double>(const TQualityRow&)>& get)
{
    std::vector<double> out;
    out.reserve(rows.size());
    for (const TQualityRow& row : rows)
        out.push_back(get(row).value_or(std::numeric_limits<double>::quiet_NaN()));
    return VectorArray(std::move(out));
}

py::dict Quality(const TDocument& d, const py::object& windows, const py::object& peakToPeak, const py::object& flat,
                 const py::object& absolute, const py::object& window, const py::object& moving, const py::object& chans,
                 const py::object& badChannels, const py::object& rejectList, const py::object& obs, int baselineMs,
                 const py::object& cells, const py::object& bootstrap, std::uint64_t seed, const py::object& measures,
                 const std::string& polarity, int neighbours, double fraction, const py::object& area, bool offset)
{
    py::dict k;
    k["peak_to_peak"] = peakToPeak;
    k["flat"] = flat;
    k["absolute"] = absolute;
    k["window"] = window;
    k["moving_window"] = moving;
    k["chans"] = chans;
    k["bad_channels"] = badChannels;
    const TArtifactRules rules = Rules(k);
    if (rules.Any() && !rejectList.is_none())
        throw py::value_error("give the artifact rules or reject_list, not both");
    TQualityOptions options;
    if (!windows.is_none())
        for (const py::handle w : windows)
            options.Windows.push_back([&] {
                const auto [start, end] = Pair(w, "windows", "a list of (start, end)");
                return TQualityWindow{start, end};
            }());
    options.Average.Observations = SelectionArgument(obs, "obs");
    options.Average.BaselineMs = baselineMs;
    options.Cells = SelectionArgument(cells, "cells");
    if (!bootstrap.is_none())
        options.Bootstrap = bootstrap.cast<int>();
    options.Seed = seed;
    if (!measures.is_none())
        for (const py::handle m : measures) {
            const std::string name = py::str(m);
            const auto kind = MeasureFromName(name);
            if (!kind)
                throw py::value_error("measures: \"" + name + "\" is not " + MeasureNamesText());
            options.Measures.push_back(*kind);
        }
    if (polarity != "positive" && polarity != "negative")
        throw py::value_error("polarity is \"positive\" or \"negative\", not \"" + polarity + "\"");
    options.Settings.Polarity = polarity == "negative" ? TPolarity::Negative : TPolarity::Positive;
    options.Settings.Neighbours = neighbours;
    options.Settings.Fraction = fraction;
    options.Settings.Offset = offset;
    if (!area.is_none()) {
        const std::string name = py::str(area);
        options.Settings.Area = AreaKindFromName(name);
        if (!options.Settings.Area)
            throw py::value_error("area is positive, negative, rectified or integral, not \"" + name + "\"");
    }
    const std::optional<std::filesystem::path> list =
        rejectList.is_none() ? std::nullopt : std::optional(PathArgument(rejectList));
    TQualityTable table;
    {
        py::gil_scoped_release unlocked;
        std::shared_lock reading(d.Samples);
        CheckQuality(d.File, options);
        if (list)
            options.Average.Excluded = ExclusionsOf(d.File, FlagsFromRejectList(d.File, ReadRejectList(*list)));
        else if (rules.Any())
            options.Average.Excluded =
                ExclusionsOf(d.File, DetectArtifacts(d.File, rules, ChosenCells(d.File, std::nullopt)));
        table = MeasureQuality(d.File, options);
    }
    std::vector<std::int32_t> cell, channel, trials;
    for (const TQualityRow& row : table.Rows) {
        cell.push_back(row.Cell + 1);
        channel.push_back(row.Channel + 1);
        trials.push_back(row.Trials);
    }
    // The table has no observation column: the start's is dropped.
    py::dict out = TableStart(d.File, std::move(cell), std::vector<std::int32_t>(table.Rows.size(), 0));
    py::dict ordered;
    for (const char* key : {"file", "cell", "cell_name"})
        ordered[key] = out[key];
    ordered["channel"] = VectorArray(std::move(channel));
    ordered["window_start_ms"] = Values(table.Rows, [](const TQualityRow& r) { return r.Window.Start; });
    ordered["window_end_ms"] = Values(table.Rows, [](const TQualityRow& r) { return r.Window.End; });
    ordered["trials"] = VectorArray(std::move(trials));
    ordered["asme"] = Values(table.Rows, [](const TQualityRow& r) { return r.Asme; });
    ordered["baseline_sd"] = Values(table.Rows, [](const TQualityRow& r) { return r.BaselineSd; });
    for (std::size_t m = 0; m < options.Measures.size(); ++m)
        ordered[py::str("bsme_" + std::string(MeasureName(options.Measures[m])))] =
            Values(table.Rows, [m](const TQualityRow& r) { return r.Bsme[m]; });
    return ordered;
}

} // namespace

void AddQualityMethod(py::class_<TDocument, TDocumentPtr>& cls)
{
    cls.def("quality", &Quality, py::arg("windows") = py::none(), py::arg("peak_to_peak") = py::none(),
            py::arg("flat") = py::none(), py::arg("absolute") = py::none(), py::arg("window") = py::none(),
            py::arg("moving_window") = py::none(), py::arg("chans") = py::none(),
            py::arg("bad_channels") = py::none(), py::arg("reject_list") = py::none(), py::arg("obs") = py::none(),
            py::arg("baseline_ms") = 0, py::arg("cells") = py::none(), py::arg("bootstrap") = py::none(),
            py::arg("seed") = 1, py::arg("measures") = py::none(), py::arg("polarity") = "positive",
            py::arg("neighbours") = 0, py::arg("fraction") = 0.5, py::arg("area") = py::none(),
            py::arg("offset") = false, kQualityDoc);
}

} // namespace orva::python
