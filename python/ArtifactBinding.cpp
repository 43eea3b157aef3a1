// File.artifacts: the artifact report of "orva artifacts" as columns of NumPy arrays.
#include "python/BindingSupport.h"
#include "tools/ArtifactReport.h"

#include <mutex>

namespace orva::python {

namespace {

const char* const kArtifactsDoc =
    R"doc(artifacts(peak_to_peak=None, flat=None, absolute=None, window=None, moving_window=None, chans=None, bad_channels=None, cells=None) -> dict

The report of "orva artifacts" as a dict of NumPy arrays under its column names: file,
cell, cell_name, observation, status, rules, channels; one entry per trial of the chosen
cells. pandas.DataFrame(f.artifacts(peak_to_peak=100)) gives the table.

peak_to_peak   µV: flag a trial whose largest max - min in one window exceeds it
flat           µV: flag a trial whose max - min over the test window is below it
absolute       µV: flag a trial with a value beyond it in magnitude
window         (start, end) in ms: the test window, inclusive (default: every sample)
moving_window  (width, step) in ms: peak-to-peak in moving windows
chans, bad_channels, cells  selections as in long_table; bad channels are not tested

status is "good" or "bad"; rules names the rules that flagged a bad trial, channels the
channels (from 1) on which they did, separated by spaces. Session files only. Raises
orva.Error with the batch tool's text for what it refuses.)doc";

std::optional<double> Threshold(const py::object& value)
{
    if (value.is_none())
        return std::nullopt;
    return py::float_(value).cast<double>();
}

std::optional<std::pair<double, double>> Pair(const py::object& value, const char* name, const char* what)
{
    if (value.is_none())
        return std::nullopt;
    if (py::isinstance<py::str>(value) || !py::hasattr(value, "__len__") || py::len(value) != 2)
        throw py::type_error(std::string(name) + " takes two times in ms: " + what);
    return std::pair{py::float_(value[py::int_(0)]).cast<double>(), py::float_(value[py::int_(1)]).cast<double>()};
}

// The report's columns, made while the interpreter lock is released.
struct TReportColumns {
    std::vector<std::int32_t> Cell;
    std::vector<std::int32_t> Observation;
    std::vector<std::string> Status, Rules, Channels;
};

TReportColumns Columns(const std::vector<TCellFlags>& flags)
{
    TReportColumns out;
    for (const TCellFlags& cell : flags)
        for (std::size_t o = 0; o < cell.Trials.size(); ++o) {
            const TTrialFlags& t = cell.Trials[o];
            out.Cell.push_back(cell.Cell + 1);
            out.Observation.push_back(static_cast<std::int32_t>(o + 1));
            out.Status.emplace_back(t.Bad ? "bad" : "good");
            out.Rules.push_back(t.Bad ? ArtifactRuleNames(t.Rules) : "");
            std::string channels;
            for (int h : t.Channels)
                channels.append(channels.empty() ? "" : " ").append(std::to_string(h + 1));
            out.Channels.push_back(t.Bad ? channels : "");
        }
    return out;
}

py::array Strings(const std::vector<std::string>& texts)
{
    py::list items;
    for (const auto& text : texts)
        items.append(py::str(text));
    return py::module_::import("numpy").attr("array")(items, py::arg("dtype") = "object");
}

py::dict Artifacts(const TDocument& d, const py::object& peakToPeak, const py::object& flat, const py::object& absolute,
                   const py::object& window, const py::object& moving, const py::object& chans,
                   const py::object& badChannels, const py::object& cells)
{
    TArtifactRules rules;
    rules.PeakToPeak = Threshold(peakToPeak);
    rules.Flat = Threshold(flat);
    rules.Absolute = Threshold(absolute);
    if (auto w = Pair(window, "window", "(start, end)")) {
        rules.WindowStart = w->first;
        rules.WindowEnd = w->second;
    }
    if (auto m = Pair(moving, "moving_window", "(width, step)"))
        rules.Moving = TMovingWindow{m->first, m->second};
    rules.Channels = SelectionArgument(chans, "chans");
    if (auto bad = SelectionArgument(badChannels, "bad_channels"))
        rules.BadChannels = *bad;
    const std::optional<TSelectionList> chosen = SelectionArgument(cells, "cells");
    TReportColumns table;
    {
        py::gil_scoped_release unlocked;
        std::shared_lock reading(d.Samples);
        table = Columns(DetectArtifacts(d.File, rules, ChosenCells(d.File, chosen)));
    }
    py::dict out = TableStart(d.File, std::move(table.Cell), std::move(table.Observation));
    out["status"] = Strings(table.Status);
    out["rules"] = Strings(table.Rules);
    out["channels"] = Strings(table.Channels);
    return out;
}

} // namespace

void AddArtifactMethod(py::class_<TDocument, TDocumentPtr>& cls)
{
    cls.def("artifacts", &Artifacts, py::arg("peak_to_peak") = py::none(), py::arg("flat") = py::none(),
            py::arg("absolute") = py::none(), py::arg("window") = py::none(), py::arg("moving_window") = py::none(),
            py::arg("chans") = py::none(), py::arg("bad_channels") = py::none(), py::arg("cells") = py::none(),
            kArtifactsDoc);
}

} // namespace orva::python
