#pragma once
// What the parts of the module share: the document that File, Cell and every array view
// keep alive, and the conversions between the core's types and Python's.
#include "model/LargeBuffer.h"
#include "model/ORVAFile.h"
#include "select/Selection.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

namespace orva::python {

namespace py = pybind11;

/// An opened data file. The File object, its Cell objects and the arrays that view its
/// samples share it; it lives until the last of them is gone.
struct TDocument {
    TORVAFile File;
    std::vector<std::string> ChannelNames;
    /// Sample values the file's bytes held when it was read (its length after the header,
    /// in 16-bit words); the calls that allocate per value are held to it (RequireValuesInFile).
    std::int64_t ValuesInFile = 0;
    /// The filter writes the samples while the GIL is released; every other long call only
    /// reads them.
    mutable std::shared_mutex Samples;
};
using TDocumentPtr = std::shared_ptr<TDocument>;

/// Cell i of a document.
struct TCellRef {
    TDocumentPtr Document;
    int Index = 0;
    const TORVACell& Cell() const { return Document->File.Cells[static_cast<std::size_t>(Index)]; }
    TORVACell& Cell() { return Document->File.Cells[static_cast<std::size_t>(Index)]; }
};

/// 8-bit text of a data file, each byte read as Windows-1252.
py::str Text1252(std::string_view bytes);
/// UTF-8 text of the core (messages, paths), as str; bytes that are not UTF-8 are replaced.
py::str Utf8Text(const std::string& text);
/// A path given as str, bytes or os.PathLike, with the bytes the system names it by.
std::filesystem::path PathArgument(const py::handle& path);
/// A path as str, decoded as the interpreter decodes file names.
py::str PathString(const std::filesystem::path& path);
/// The path text the core uses (UTF-8 on POSIX, the name's own bytes), as str.
py::str PathTextString(const std::string& text);

/// A selection: None (everything), a typed list as the batch tool reads it ("1 3-5"), or a
/// sequence of ints counted from 1. The core's zero-based list.
std::optional<TSelectionList> SelectionArgument(const py::handle& value, const char* name);

/// A one-dimensional array that owns the vector's memory (no copy).
template <class T>
py::array_t<T> VectorArray(std::vector<T>&& values)
{
    auto* owned = new std::vector<T>(std::move(values));
    py::capsule owner(owned, [](void* p) { delete static_cast<std::vector<T>*>(p); });
    return py::array_t<T>({static_cast<py::ssize_t>(owned->size())}, {static_cast<py::ssize_t>(sizeof(T))},
                          owned->data(), owner);
}

/// An array of the given shape (C order) over the block's values, which the array's base, a
/// capsule, now owns: views of it keep the block alive as NumPy's own arrays do.
template <class T>
py::array_t<T> LargeArrayOf(TLargeArray<T>&& values, std::vector<py::ssize_t> shape)
{
    auto* owned = new TLargeArray<T>(std::move(values));
    py::capsule owner(owned, [](void* p) { delete static_cast<TLargeArray<T>*>(p); });
    return py::array_t<T>(std::move(shape), owned->data(), owner);
}

/// An object array whose row i is names[codes[i] - base].
py::array TakeNames(const py::list& names, const py::array& codes, long base);

/// The cells' names in file order (read as Windows-1252), for the name columns.
py::list CellNames(const TORVAFile& file);

/// A table's first columns, as every table of the module starts: file (the document's name),
/// cell and observation (from 1, taken over without a copy) and cell_name.
py::dict TableStart(const TORVAFile& file, std::vector<std::int32_t>&& cells, std::vector<std::int32_t>&& observations);

/// Refuses (EORVAError naming the file, orva.Error in Python) a call that would make
/// `values` numbers from a document whose header declares more samples than its file holds
/// (opened with check=False) when they are more than the file's bytes justify: its samples
/// and as many again, or 8 Mi more (16 MiB of samples, what the loader lets a short file
/// claim). A document that holds no more samples than its file is never refused.
void RequireValuesInFile(const TDocument& document, std::int64_t values, const std::string& call);

/// The float64 array observations x channels x samples of calibrated values of cell c.
py::array_t<double> CellData(const TDocument& document, int c);

void RegisterCell(py::module_& m);
void RegisterFile(py::module_& m);
void AddTableMethods(py::class_<TDocument, TDocumentPtr>& cls);
void AddMneMethod(py::class_<TDocument, TDocumentPtr>& cls);
/// orva.read_positions and File.interpolate.
void AddPositionMethods(py::module_& m, py::class_<TDocument, TDocumentPtr>& cls);
/// An mne DigMontage in the head frame: each channel with a position at its direction from
/// the origin on MNE's default head sphere; positions is a file or {label: (x, y, z)}.
py::object MneMontage(const py::module_& mne, const TDocument& d, const py::handle& positions);
void AddArtifactMethod(py::class_<TDocument, TDocumentPtr>& cls);
/// File.quality.
void AddQualityMethod(py::class_<TDocument, TDocumentPtr>& cls);
/// File.cluster_test and orva.cluster_test.
void AddClusterMethods(py::module_& m, py::class_<TDocument, TDocumentPtr>& cls);
/// File.filter_band: the Butterworth and FIR filters.
void AddBandFilterMethod(py::class_<TDocument, TDocumentPtr>& cls);

} // namespace orva::python
