// orva.Cell: one cell of a data file, its samples as views of the document's memory.
#include "export/CellArrays.h"
#include "python/BindingSupport.h"

namespace orva::python {

namespace {

const char* const kRawDoc = R"doc(The int16 samples, observations x samples x channels, as stored in the file.

A view of the document's memory (no copy, made in constant time): writing into it changes
what File.save writes, and File.filter changes what it shows. The array keeps the file's
memory alive after the File object is gone.)doc";

const char* const kDataDoc = R"doc(data() -> numpy.ndarray

The calibrated values in microvolts (float64), observations x channels x samples, the
order MNE-Python uses: for an average file sample / ScaleBins, for a session file
(sample - zero) * 400 / gain of the sample's channel, the same values as the exports
(unrounded). A new array on every call. Raises orva.Error when a channel's gain or the
scale bins are 0.)doc";

py::object Raw(const py::object& self)
{
    TCellRef& ref = self.cast<TCellRef&>();
    TSampleArray& data = ref.Cell().Data;
    const auto channels = static_cast<py::ssize_t>(data.Channels());
    const auto samples = static_cast<py::ssize_t>(data.Samples());
    const auto word = static_cast<py::ssize_t>(sizeof(std::int16_t));
    return py::array_t<std::int16_t>({static_cast<py::ssize_t>(data.Observations()), samples, channels},
                                     {samples * channels * word, channels * word, word}, data.data(), self);
}

py::object TrialSpecifics(const py::object& self)
{
    TCellRef& ref = self.cast<TCellRef&>();
    TTrialSpecifics& words = ref.Cell().TrialSpecifics;
    const auto count = static_cast<py::ssize_t>(words.WordsPerObservation());
    const auto word = static_cast<py::ssize_t>(sizeof(std::int16_t));
    return py::array_t<std::int16_t>({static_cast<py::ssize_t>(words.Observations()), count},
                                     {count * word, word}, words.data(), self);
}

std::string Repr(const TCellRef& ref)
{
    const TORVACell& cell = ref.Cell();
    return "<orva.Cell " + std::to_string(ref.Index + 1) + " " +
           py::repr(Text1252(cell.Name)).cast<std::string>() + ": " + std::to_string(cell.NumObservations) +
           " observations x " + std::to_string(cell.SamplesPerObservation) + " samples at " +
           std::to_string(cell.SamplesPerSecond) + " Hz>";
}

} // namespace

void RegisterCell(py::module_& m)
{
    py::class_<TCellRef>(m, "Cell", "One cell (experimental condition) of a data file; File.cells lists them.")
        .def_property_readonly(
            "number", [](const TCellRef& r) { return r.Cell().CellNumber; },
            "The cell's number as the file records it (CellNumber).")
        .def_property_readonly(
            "index", [](const TCellRef& r) { return r.Index + 1; },
            "The cell's place in the file, counted from 1, as the batch tool's cell lists count.")
        .def_property_readonly(
            "name", [](const TCellRef& r) { return Text1252(r.Cell().Name); },
            "The cell's name, its bytes read as Windows-1252.")
        .def_property_readonly(
            "n_observations", [](const TCellRef& r) { return r.Cell().NumObservations; },
            "Observations: trials in a session file, subjects in an average file.")
        .def_property_readonly(
            "n_samples", [](const TCellRef& r) { return r.Cell().SamplesPerObservation; },
            "Samples of each observation (per channel).")
        .def_property_readonly(
            "sampling_rate", [](const TCellRef& r) { return r.Cell().SamplesPerSecond; }, "Samples per second (Hz).")
        .def_property_readonly("trial_specifics", &TrialSpecifics,
                               "The trial-specific words (int16), observations x words; a view of the document's "
                               "memory. In an average file word 0 is the number of trials averaged.")
        .def_property_readonly("raw", &Raw, kRawDoc)
        .def(
            "data", [](const TCellRef& r) { return CellData(*r.Document, r.Index); }, kDataDoc)
        .def_property_readonly(
            "times_ms",
            [](const TCellRef& r) { return VectorArray(CellSampleTimes(r.Document->File, r.Index)); },
            "The time of every sample in ms, as the long table's time_ms column: from the first sample "
            "of a session file, from the stimulus of an average file (negative in the baseline).")
        .def("__repr__", &Repr);
}

} // namespace orva::python
