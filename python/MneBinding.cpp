// File.to_mne: a session file as mne.EpochsArray, an average file as mne.EvokedArray objects.
// MNE-Python is imported here only, so that "import orva" never loads it.
#include "export/CellArrays.h"
#include "python/BindingSupport.h"
#include "select/EpochLayout.h"
#include "select/Selection.h"

#include <pybind11/stl.h>

namespace orva::python {

namespace {

const char* const kToMneDoc = R"doc(to_mne(positions=None) -> mne.EpochsArray | list[mne.EvokedArray]

A session file gives one mne.EpochsArray: the observations of every cell in file order,
cell by cell, in volts, channel type "eeg", named by channel_names, tmin 0. Its events lie
end to end (epoch i at sample i x samples per epoch) with the cell's number as the event
id; event_id maps the cells' names (made unique) to their numbers. Cells without
observations are left out; the others must share samples per observation and sampling
rate, else orva.Error names two that differ.

An average file gives one mne.EvokedArray per cell and subject, in file order: tmin is
-BaselineDuration / 1000 s, comment "<cell name>, subject <n>", nave the trials behind
that subject's average (trial-specific word 0 where the file holds it and it is at least
1, else 1).

With positions (a positions file or {label: (x, y, z)}, see read_positions) every object
gets a montage in MNE's head frame: each channel whose name is a label, at that sensor's
direction from the origin on MNE's default head sphere (0.095 m), so that plot_topomap
and interpolate_bads work. Channels without a position are left without one.

Needs MNE-Python (Debian: python3-mne).)doc";

py::object Info(const py::module_& mne, const TDocument& d, int rate)
{
    return mne.attr("create_info")(py::arg("ch_names") = d.ChannelNames, py::arg("sfreq") = static_cast<double>(rate),
                                   py::arg("ch_types") = "eeg", py::arg("verbose") = false);
}

py::object Epochs(const py::module_& mne, const py::module_& np, const TDocument& d)
{
    const TORVAFile& f = d.File;
    CheckUniformEpochs(f);
    const std::vector<std::string> names = UniqueEventNames(f);
    py::list blocks;
    py::dict eventId;
    std::vector<std::int64_t> events;
    int samples = 0;
    int rate = 0;
    std::int64_t epoch = 0;
    for (int c = 0; c < f.NumCells(); ++c) {
        const TORVACell& cell = f.Cells[static_cast<std::size_t>(c)];
        if (cell.NumObservations <= 0)
            continue;
        samples = cell.SamplesPerObservation;
        rate = cell.SamplesPerSecond;
        CellSampleTimes(f, c); // refuses a rate that is not positive
        blocks.append(CellData(d, c));
        eventId[py::str(names[static_cast<std::size_t>(c)])] = cell.CellNumber;
        for (int o = 0; o < cell.NumObservations; ++o, ++epoch)
            events.insert(events.end(), {epoch * samples, 0, cell.CellNumber});
    }
    py::array data = np.attr("concatenate")(blocks);
    data.attr("__imul__")(1e-6);
    py::array eventArray = VectorArray(std::move(events)).attr("reshape")(-1, 3);
    return mne.attr("EpochsArray")(data, Info(mne, d, rate), py::arg("events") = eventArray, py::arg("tmin") = 0.0,
                                   py::arg("event_id") = eventId, py::arg("verbose") = false);
}

py::list Evoked(const py::module_& mne, const TDocument& d)
{
    const TORVAFile& f = d.File;
    py::list evoked;
    const double tmin = -static_cast<double>(f.GeneralInformation.BaselineDuration) / 1000.0;
    for (int c = 0; c < f.NumCells(); ++c) {
        const TORVACell& cell = f.Cells[static_cast<std::size_t>(c)];
        if (cell.NumObservations <= 0)
            continue;
        CellSampleTimes(f, c);
        const py::object info = Info(mne, d, cell.SamplesPerSecond);
        py::array data = CellData(d, c);
        data.attr("__imul__")(1e-6);
        const std::string name = EventName(f, c);
        for (int o = 0; o < cell.NumObservations; ++o)
            evoked.append(mne.attr("EvokedArray")(
                data[py::int_(o)], info, py::arg("tmin") = tmin,
                py::arg("comment") = Utf8Text(name + ", subject " + std::to_string(o + 1)),
                py::arg("nave") = AveragedTrials(cell, o), py::arg("verbose") = false));
    }
    return evoked;
}

py::object ToMne(const TDocument& d, const py::object& positions)
{
    std::int64_t values = 0;
    for (const TORVACell& cell : d.File.Cells)
        values += static_cast<std::int64_t>(cell.Data.size());
    RequireValuesInFile(d, 2 * values, "to_mne()"); // the cells' arrays and their concatenation
    // MNE-Python's Info and its epochs need at least one channel, and epochs at least one
    // sample each (their events would all fall on sample 0).
    if (d.File.NumChannels() == 0)
        RefuseExport(d.File, "Cannot make MNE-Python objects: the file has no channels");
    if (d.File.IsSessionFile())
        for (int c = 0; c < d.File.NumCells(); ++c)
            if (d.File.Cells[static_cast<std::size_t>(c)].NumObservations > 0 &&
                d.File.Cells[static_cast<std::size_t>(c)].SamplesPerObservation <= 0)
                RefuseExport(d.File, "Cannot make MNE-Python epochs: cell " + std::to_string(c + 1) +
                                         " has observations without samples");
    const py::module_ mne = py::module_::import("mne");
    // Read first: a refused positions file leaves nothing half made.
    const py::object montage = positions.is_none() ? py::none() : MneMontage(mne, d, positions);
    py::object made = d.File.IsAverageFile() ? py::object(Evoked(mne, d)) : Epochs(mne, py::module_::import("numpy"), d);
    if (!montage.is_none()) {
        const py::list objects = d.File.IsAverageFile() ? py::list(made) : py::list(py::make_tuple(made));
        for (const py::handle object : objects)
            object.attr("set_montage")(montage, py::arg("on_missing") = "ignore", py::arg("verbose") = false);
    }
    return made;
}

} // namespace

void AddMneMethod(py::class_<TDocument, TDocumentPtr>& cls)
{
    cls.def("to_mne", &ToMne, py::arg("positions") = py::none(), kToMneDoc);
}

} // namespace orva::python
