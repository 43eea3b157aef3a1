// File.long_table and File.measure: the tables of the batch tool as columns of NumPy arrays.
#include "export/LongTableExport.h"
#include "export/MeasureExport.h"
#include "python/BindingSupport.h"

#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>
#include <string_view>

namespace orva::python {

namespace {

const char* const kLongTableDoc = R"doc(long_table(cells=None, obs=None, chans=None, samples=None) -> dict

The long table of "orva export-long" as a dict of NumPy arrays, one entry per row, under
its column names: file, cell, cell_name, observation, channel, sample, time_ms, value_uv.
pandas.DataFrame(f.long_table()) gives the table. Numbers count from 1; time_ms and
value_uv are exact (not rounded as in the CSV file).

Each selection is None (everything each cell has), a typed list as the batch tool reads
it ("1 3 5"), or a sequence of ints counted from 1; rows follow the lists' order, nested
cell > observation > channel > sample. Raises orva.Error with the batch tool's text for a
number outside the file.)doc";

const char* const kMeasureDoc =
    R"doc(measure(window_ms, measures=("mean",), polarity="positive", neighbours=0, cells=None, obs=None, chans=None, fraction=0.5, area=None, offset=False, jackknife=False) -> dict

The measure table of "orva measure" as a dict of NumPy arrays under its column names:
file, cell, cell_name, observation, channel, measure, window_start_ms, window_end_ms,
value, note. One row per cell, observation, channel and measure, nested in that order.

window_ms   (start, end): the samples whose time lies from start to end ms inclusive
            (from the stimulus in an average file, from the first sample in a session file)
measures    names among "mean", "peak", "peak-latency", "area", "positive-area",
            "negative-area", "integral", "fractional-area-latency", "fractional-peak-latency"
polarity    "positive" (largest value) or "negative" (smallest)
neighbours  0: the simple peak; N >= 1: the largest local peak, beyond the mean of the N
            samples on either side (the note says "no local peak" when there is none)
cells, obs, chans  selections as in long_table.
fraction    0 to 1: of the area or of the peak, for the fractional latencies
area        the area of fractional-area-latency: "positive", "negative", "rectified" or
            "integral"; None: that of the polarity
offset      fractional-peak-latency looks after the peak instead of before it
jackknife   (average files) each subject's row holds the retrieved score of the measures
            of the means over the other subjects, noted "jackknife"

Values are exact (not rounded to three decimals); a measure without a value ("no area",
"no crossing" in the note) is NaN. Raises orva.Error as the batch tool refuses a file (a
number outside the file, a cell without a sample in the window, a fraction outside 0 to 1,
the jackknife of a session file or of a cell with fewer than 3 subjects).)doc";

py::dict LongTable(const TDocument& d, const py::object& cells, const py::object& obs, const py::object& chans,
                   const py::object& samples)
{
    TLongTableOptions options;
    options.Cells = SelectionArgument(cells, "cells");
    options.Observations = SelectionArgument(obs, "obs");
    options.Channels = SelectionArgument(chans, "chans");
    options.Samples = SelectionArgument(samples, "samples");
    RequireValuesInFile(d, LongTableRows(d.File, options), "long_table()");
    TLongTableColumns table;
    {
        py::gil_scoped_release unlocked;
        std::shared_lock reading(d.Samples);
        table = LongTableColumns(d.File, options);
    }
    py::dict out = TableStart(d.File, std::move(table.Cell), std::move(table.Observation));
    out["channel"] = VectorArray(std::move(table.Channel));
    out["sample"] = VectorArray(std::move(table.Sample));
    out["time_ms"] = VectorArray(std::move(table.TimeMs));
    out["value_uv"] = VectorArray(std::move(table.ValueUv));
    return out;
}

// The rows of the measure table (one per listed cell, observation, channel and measure);
// entries outside the file count as nothing here and are refused by the core.
std::int64_t MeasureRows(const TORVAFile& file, const TMeasureOptions& options)
{
    const auto size = [](const std::optional<TSelectionList>& list, std::int64_t all) {
        return list ? static_cast<std::int64_t>(list->size()) : std::max<std::int64_t>(all, 0);
    };
    std::int64_t rows = 0;
    for (int c = 0; c < file.NumCells(); ++c) {
        const auto listed = options.Cells ? std::count(options.Cells->begin(), options.Cells->end(), c) : 1;
        const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
        rows += listed * size(options.Observations, cell.NumObservations) * size(options.Channels, file.NumChannels());
    }
    return rows * static_cast<std::int64_t>(options.Measures.size());
}

std::pair<double, double> Window(const py::object& window)
{
    if (py::isinstance<py::str>(window) || !py::hasattr(window, "__len__") || py::len(window) != 2)
        throw py::type_error("window_ms takes two times in ms: (start, end)");
    return {py::float_(window[py::int_(0)]).cast<double>(), py::float_(window[py::int_(1)]).cast<double>()};
}

py::dict Measure(const TDocument& d, const py::object& window, const py::object& measures, const std::string& polarity,
                 int neighbours, const py::object& cells, const py::object& obs, const py::object& chans,
                 double fraction, const std::optional<std::string>& area, bool offset, bool jackknife)
{
    TMeasureOptions options;
    std::tie(options.WindowStart, options.WindowEnd) = Window(window);
    if (py::isinstance<py::str>(measures))
        throw py::type_error("measures takes a sequence of names such as (\"mean\", \"peak\")");
    for (const py::handle name : measures) {
        const std::string text = py::str(name).cast<std::string>();
        const auto kind = MeasureFromName(text);
        if (!kind)
            throw py::value_error("unknown measure \"" + text + "\" (" + MeasureNamesText() + ")");
        options.Measures.push_back(*kind);
    }
    if (polarity != "positive" && polarity != "negative")
        throw py::value_error("polarity is positive or negative, not \"" + polarity + "\"");
    options.Polarity = polarity == "positive" ? TPolarity::Positive : TPolarity::Negative;
    options.Neighbours = neighbours;
    options.Fraction = fraction;
    if (area) {
        options.Area = AreaKindFromName(*area);
        if (!options.Area)
            throw py::value_error("area is positive, negative, rectified or integral, not \"" + *area + "\"");
    }
    options.Offset = offset;
    options.Jackknife = jackknife;
    options.Cells = SelectionArgument(cells, "cells");
    options.Observations = SelectionArgument(obs, "obs");
    options.Channels = SelectionArgument(chans, "chans");
    RequireValuesInFile(d, MeasureRows(d.File, options), "measure()");
    TMeasureColumns table;
    {
        py::gil_scoped_release unlocked;
        std::shared_lock reading(d.Samples);
        table = MeasureColumns(d.File, options);
    }
    const std::size_t rows = table.Cell.size();
    py::list measureNames;
    for (TMeasureKind kind : kMeasureKinds)
        measureNames.append(py::str(std::string(MeasureName(kind))));
    // The notes are few fixed texts: each row takes its text's place in the list of them.
    std::vector<std::string_view> noteList{std::string_view()};
    std::vector<std::int32_t> kinds;
    std::vector<std::int32_t> notes;
    for (std::size_t i = 0; i < rows; ++i) {
        kinds.push_back(static_cast<std::int32_t>(table.Measure[i]));
        auto at = std::find(noteList.begin(), noteList.end(), table.Note[i]);
        if (at == noteList.end())
            at = noteList.insert(noteList.end(), table.Note[i]);
        notes.push_back(static_cast<std::int32_t>(at - noteList.begin()));
    }
    py::list noteTexts;
    for (std::string_view note : noteList)
        noteTexts.append(py::str(std::string(note)));
    const py::module_ np = py::module_::import("numpy");
    py::dict out = TableStart(d.File, std::move(table.Cell), std::move(table.Observation));
    out["channel"] = VectorArray(std::move(table.Channel));
    out["measure"] = TakeNames(measureNames, VectorArray(std::move(kinds)), 0);
    out["window_start_ms"] = np.attr("full")(rows, options.WindowStart);
    out["window_end_ms"] = np.attr("full")(rows, options.WindowEnd);
    out["value"] = VectorArray(std::move(table.Value));
    out["note"] = TakeNames(noteTexts, VectorArray(std::move(notes)), 0);
    return out;
}

} // namespace

void AddTableMethods(py::class_<TDocument, TDocumentPtr>& cls)
{
    cls.def("long_table", &LongTable, py::arg("cells") = py::none(), py::arg("obs") = py::none(),
            py::arg("chans") = py::none(), py::arg("samples") = py::none(), kLongTableDoc);
    cls.def("measure", &Measure, py::arg("window_ms"), py::arg("measures") = py::make_tuple("mean"),
            py::arg("polarity") = "positive", py::arg("neighbours") = 0, py::arg("cells") = py::none(),
            py::arg("obs") = py::none(), py::arg("chans") = py::none(), py::arg("fraction") = 0.5,
            py::arg("area") = py::none(), py::arg("offset") = false, py::arg("jackknife") = false, kMeasureDoc);
}

} // namespace orva::python
