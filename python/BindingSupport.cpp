#include "python/BindingSupport.h"

#include "export/CellArrays.h"
#include "model/ORVAError.h"
#include "model/PathText.h"
#include "select/CsvText.h"
#include "select/Selection.h"

#include <algorithm>
#include <climits>
#include <mutex>

namespace orva::python {

py::str Text1252(std::string_view bytes)
{
    const std::string utf8 = Windows1252ToUtf8(bytes);
    return py::str(utf8.data(), utf8.size());
}

py::str Utf8Text(const std::string& text)
{
    return py::reinterpret_steal<py::str>(
        PyUnicode_DecodeUTF8(text.data(), static_cast<py::ssize_t>(text.size()), "replace"));
}

std::filesystem::path PathArgument(const py::handle& path)
{
    // os.fsencode: str names come back as the bytes they were decoded from (surrogateescape).
    const py::bytes bytes = py::module_::import("os").attr("fsencode")(path);
    return std::filesystem::path(static_cast<std::string>(bytes));
}

py::str PathString(const std::filesystem::path& path)
{
    return py::module_::import("os").attr("fsdecode")(py::bytes(path.native()));
}

py::str PathTextString(const std::string& text)
{
    return py::module_::import("os").attr("fsdecode")(py::bytes(text));
}

std::optional<TSelectionList> SelectionArgument(const py::handle& value, const char* name)
{
    if (value.is_none())
        return std::nullopt;
    if (py::isinstance<py::str>(value))
        return ParseSelectionList(value.cast<std::string>());
    if (py::isinstance<py::bytes>(value) || !py::hasattr(value, "__iter__"))
        throw py::type_error(std::string(name) + " takes None, a list such as \"1 3 5\" or a sequence of ints");
    TSelectionList list;
    for (const py::handle item : value) {
        if (!py::hasattr(item, "__index__") || py::isinstance<py::bool_>(item))
            throw py::type_error(std::string(name) + " holds " + py::repr(item).cast<std::string>() +
                                 ", which is not an int");
        const long long n = py::reinterpret_steal<py::int_>(PyNumber_Index(item.ptr())).cast<long long>();
        // Numbers beyond an int are outside every file; the core names the first as typed.
        list.push_back(static_cast<int>(std::clamp<long long>(n - 1, INT_MIN, INT_MAX - 1)));
    }
    return list;
}

py::list CellNames(const TORVAFile& file)
{
    py::list names;
    for (const TORVACell& cell : file.Cells)
        names.append(Text1252(cell.Name));
    return names;
}

py::dict TableStart(const TORVAFile& file, std::vector<std::int32_t>&& cells, std::vector<std::int32_t>&& observations)
{
    const std::size_t rows = cells.size();
    py::dict out;
    out["file"] = py::module_::import("numpy").attr("full")(rows, PathTextString(file.FileName),
                                                            py::arg("dtype") = "object");
    const py::array cell = VectorArray(std::move(cells));
    out["cell"] = cell;
    out["cell_name"] = TakeNames(CellNames(file), cell, 1);
    out["observation"] = VectorArray(std::move(observations));
    return out;
}

py::array TakeNames(const py::list& names, const py::array& codes, long base)
{
    const py::module_ np = py::module_::import("numpy");
    const py::object table = np.attr("array")(names, py::arg("dtype") = "object");
    if (py::len(names) == 0)
        return np.attr("empty")(py::len(codes), py::arg("dtype") = "object");
    return table.attr("__getitem__")(codes.attr("__sub__")(base));
}

void RequireValuesInFile(const TDocument& document, std::int64_t values, const std::string& call)
{
    constexpr std::int64_t kShortfallAllowed = std::int64_t{8} << 20;
    const TORVAFile& file = document.File;
    std::int64_t declared = 0;
    for (const TORVACell& cell : file.Cells)
        declared += static_cast<std::int64_t>(cell.Data.size());
    const std::int64_t inFile = document.ValuesInFile;
    if (declared <= inFile || values <= inFile + std::max(inFile, kShortfallAllowed))
        return;
    throw EORVAError(PathText(file.FullFileName),
                     call + " would make " + std::to_string(values) + " values, but the file holds only " +
                         std::to_string(inFile) + " of the " + std::to_string(declared) +
                         " samples its header declares (opened with check=False)");
}

py::array_t<double> CellData(const TDocument& document, int c)
{
    const TORVAFile& file = document.File;
    const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
    RequireValuesInFile(document, static_cast<std::int64_t>(cell.Data.size()), "data()");
    const std::vector<py::ssize_t> shape{static_cast<py::ssize_t>(cell.Data.Observations()),
                                         static_cast<py::ssize_t>(file.NumChannels()),
                                         static_cast<py::ssize_t>(cell.Data.Samples())};
    // An empty cell needs no calibration: a file of thousands of empty cells and channels
    // would check every channel's gain once per cell for nothing.
    if (shape[0] == 0 || shape[1] == 0 || shape[2] == 0)
        return py::array_t<double>(shape);
    TLargeArray<double> values;
    {
        py::gil_scoped_release unlocked;
        values = TLargeArray<double>(static_cast<std::size_t>(shape[0] * shape[1] * shape[2]));
        std::shared_lock reading(document.Samples);
        CalibrateCell(file, c, values.data());
    }
    return LargeArrayOf(std::move(values), shape);
}

} // namespace orva::python
