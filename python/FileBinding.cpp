// orva.File: an opened data file, its header, its cells and the operations on the whole file.
#include "python/BindingSupport.h"
#include "select/CsvText.h"
#include "tools/FilterTexts.h"
#include "tools/LowPassFilter.h"

#include <pybind11/stl.h>

#include <mutex>
#include <set>

namespace orva::python {

namespace {

py::array_t<std::int32_t> Words(std::vector<std::int32_t> words) { return VectorArray(std::move(words)); }

py::dict Header(const TDocument& d)
{
    const TORVAFile& f = d.File;
    const auto& fd = f.FileDescription;
    const auto& g = f.GeneralInformation;
    const auto& dd = f.DataDescription;
    py::dict h;
    h["ByteOrder"] = fd.ByteOrder;
    h["HeaderVersion"] = fd.HeaderVersion;
    h["HeaderLength"] = fd.HeaderLength;
    h["DataLength"] = fd.DataLength;
    h["ExperimentName"] = py::bytes(fd.ExperimentName);
    const std::pair<const char*, std::int32_t> general[] = {
        {"CollectionMonth", g.CollectionMonth}, {"CollectionDay", g.CollectionDay},
        {"CollectionYear", g.CollectionYear},   {"CollectionHour", g.CollectionHour},
        {"CollectionMinute", g.CollectionMinute}, {"CollectionSecond", g.CollectionSecond},
        {"SubjectID", g.SubjectID},             {"Handedness", g.Handedness},
        {"Sex", g.Sex},                         {"Age", g.Age},
        {"ExperimenterID", g.ExperimenterID},   {"EditVersion", g.EditVersion},
        {"CalibrationFlag", g.CalibrationFlag}, {"LastSubjectDone", g.LastSubjectDone},
        {"ScaleBins", g.ScaleBins},             {"ScaleCalibration", g.ScaleCalibration},
        {"BaselineDuration", g.BaselineDuration}};
    for (const auto& [name, value] : general)
        h[name] = value;
    h["NumCells"] = dd.NumCells;
    h["NumChannels"] = dd.NumChannels;
    h["CommentLength"] = dd.CommentLength;
    h["TextLength"] = dd.TextLength;
    h["PaddingLength"] = dd.PaddingLength;
    h["BoardGain"] = dd.BoardGain;
    h["CellWords"] = Words(dd.CellWords);
    h["Zeros"] = Words(dd.Zeros);
    h["Gains"] = Words(dd.Gains);
    h["Comment"] = py::bytes(f.Comment);
    h["TextSegment"] = py::bytes(f.TextSegment);
    py::list cells;
    for (const TORVACell& cell : f.Cells) {
        py::dict c;
        c["CellNumber"] = cell.CellNumber;
        c["Name"] = py::bytes(cell.Name);
        c["NumObservations"] = cell.NumObservations;
        c["SamplesPerObservation"] = cell.SamplesPerObservation;
        c["SamplesPerSecond"] = cell.SamplesPerSecond;
        c["TrialSpecificsLength"] = cell.TrialSpecificsLength;
        cells.append(c);
    }
    h["Cells"] = cells;
    return h;
}

py::str HeaderReport(const TDocument& d)
{
    std::vector<std::string> lines;
    d.File.GetHeaderText(lines);
    py::list out;
    for (std::size_t i = 0; i < lines.size(); ++i)
        out.append(Text1252(lines[i]));
    // The report's one text that is not the file's own bytes: the path, as the system names it.
    constexpr std::string_view kNameLabel = "   Full File Name : ";
    if (lines.size() > 2 && lines[2].rfind(kNameLabel, 0) == 0)
        out[2] = py::str(kNameLabel.data(), kNameLabel.size()) + PathString(d.File.FullFileName);
    return py::str("\n").attr("join")(out);
}

void SetChannelNames(TDocument& d, const py::object& value)
{
    if (py::isinstance<py::str>(value))
        throw py::type_error("channel_names takes a sequence of str, one per channel");
    std::vector<std::string> names;
    std::set<std::string> seen;
    for (const py::handle item : value) {
        if (!py::isinstance<py::str>(item))
            throw py::type_error("channel_names holds " + py::repr(item).cast<std::string>() + ", which is not a str");
        std::string name = item.cast<std::string>();
        if (name.empty())
            throw py::value_error("channel_names holds an empty name");
        if (!seen.insert(name).second)
            throw py::value_error("channel_names holds \"" + name + "\" twice");
        names.push_back(std::move(name));
    }
    if (names.size() != static_cast<std::size_t>(d.File.NumChannels()))
        throw py::value_error("channel_names needs " + std::to_string(d.File.NumChannels()) + " names, one per channel, not " +
                              std::to_string(names.size()));
    d.ChannelNames = std::move(names);
}

void Save(TDocument& d, const py::object& path)
{
    const std::filesystem::path target = PathArgument(path);
    py::gil_scoped_release unlocked;
    std::shared_lock reading(d.Samples);
    d.File.SaveToFile(target);
}

std::int64_t Filter(TDocument& d, const py::object& cutoff)
{
    // The batch tool reads the typed text straight into single precision; a Python number is
    // taken by its shortest text, which is what was typed for any literal.
    const std::string text = py::isinstance<py::str>(cutoff) ? cutoff.cast<std::string>()
                                                             : py::repr(py::float_(cutoff)).cast<std::string>();
    const float hz = CutoffFromText(text);
    py::gil_scoped_release unlocked;
    std::unique_lock writing(d.Samples);
    return LowPassFilter(d.File, hz);
}

std::string Repr(const TDocument& d)
{
    const TORVAFile& f = d.File;
    return "<orva.File " + py::repr(PathTextString(f.FileName)).cast<std::string>() + ": " +
           (f.IsAverageFile() ? "average" : "session") + ", " + std::to_string(f.NumChannels()) + " channels, " +
           std::to_string(f.NumCells()) + " cells>";
}

} // namespace

void RegisterFile(py::module_& m)
{
    py::class_<TDocument, TDocumentPtr> cls(m, "File", "A session or average file read whole into memory (orva.read).");
    cls.def_property_readonly(
           "kind", [](const TDocument& d) { return d.File.IsAverageFile() ? "average" : "session"; },
           "\"session\" (HeaderVersion 3) or \"average\" (HeaderVersion -1).")
        .def_property_readonly(
            "file_name", [](const TDocument& d) { return PathTextString(d.File.FileName); },
            "The file's name without its folder.")
        .def_property_readonly(
            "path", [](const TDocument& d) { return PathString(d.File.FullFileName); }, "The absolute path read.")
        .def_property_readonly(
            "experiment_name", [](const TDocument& d) { return Text1252(d.File.FileDescription.ExperimentName); },
            "ExperimentName, its bytes read as Windows-1252.")
        .def_property_readonly(
            "n_channels", [](const TDocument& d) { return d.File.NumChannels(); }, "Channels (electrodes).")
        .def_property_readonly(
            "zeros", [](const TDocument& d) { return Words(d.File.DataDescription.Zeros); },
            "Each channel's zero level in raw units (int32 array, a copy).")
        .def_property_readonly(
            "gains", [](const TDocument& d) { return Words(d.File.DataDescription.Gains); },
            "Each channel's gain (int32 array, a copy).")
        .def_property_readonly(
            "scale_bins", [](const TDocument& d) { return d.File.GeneralInformation.ScaleBins; },
            "ScaleBins, the divisor of an average file's samples (0 for session files).")
        .def_property_readonly(
            "baseline_ms", [](const TDocument& d) { return d.File.GeneralInformation.BaselineDuration; },
            "BaselineDuration in ms before the stimulus of an average file (0 for session files).")
        .def_property_readonly("header", &Header,
                               "Every header field under its name (HeaderVersion, NumCells, ScaleBins, ...); text "
                               "fields as bytes; \"Cells\" lists each cell record's fields.")
        .def("header_report", &HeaderReport,
             "header_report() -> str\n\nThe batch tool's \"orva header\" report of this file, read as "
             "Windows-1252, its lines joined with newlines (no final newline).")
        .def_property_readonly(
            "cells",
            [](const TDocumentPtr& d) {
                py::list cells;
                for (int i = 0; i < d->File.NumCells(); ++i)
                    cells.append(TCellRef{d, i});
                return cells;
            },
            "The cells (orva.Cell) in file order; cells[0] is cell 1.")
        .def_property(
            "channel_names", [](const TDocument& d) { return d.ChannelNames; }, &SetChannelNames,
            "The channels' names, E1 ... En unless set: a sequence of unique, non-empty str, one per channel. "
            "to_mne names the channels so.")
        .def("save", &Save, py::arg("path"),
             "save(path)\n\nWrites the file whole to path (str or os.PathLike), with the samples as they are in "
             "memory now. The target is replaced only once it is complete. Raises orva.Error.")
        .def("filter", &Filter, py::arg("cutoff_hz"),
             "filter(cutoff_hz) -> int\n\nLow-pass filters every trace in place with a brick-wall cut at "
             "cutoff_hz (a number, or a text such as \"12.5\"), taken in single precision as \"orva filter "
             "--cutoff\" takes it. Returns how many values did not fit a 16-bit sample and were clamped. "
             "Refusals (a negative cut-off, a rate of 0, ...) raise orva.Error and leave the samples as they were.")
        .def("__repr__", &Repr);
    AddTableMethods(cls);
    AddArtifactMethod(cls);
    AddQualityMethod(cls);
    AddBandFilterMethod(cls);
    AddMneMethod(cls);
    AddPositionMethods(m, cls);
    AddClusterMethods(m, cls);
}

} // namespace orva::python
