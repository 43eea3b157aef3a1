// The module "orva": session and average data files as NumPy arrays and MNE-Python objects.
#include "model/CheckedOpen.h"
#include "model/ORVAError.h"
#include "python/BindingSupport.h"
#include "select/EpochLayout.h"

#include <pybind11/eval.h>

#include <mutex>

namespace orva::python {

namespace {

// orva.Error is defined in Python so that it reads as a Python exception does: str() is the
// message ("<path>: <cause>"), filename the file or object it is about, strerror the cause.
const char* const kErrorClass = R"doc(
class Error(OSError):
    """A data file or a request that orva refuses.

    str(error) is "<file>: <cause>"; error.filename names the file (or what was refused)
    and error.strerror holds the cause, in the words of the batch tool orva.
    """

    def __init__(self, filename, cause):
        super().__init__(f"{filename}: {cause}")
        self.filename = filename
        self.strerror = cause

    def __str__(self):
        return self.args[0]

    def __reduce__(self):
        return (type(self), (self.filename, self.strerror))
)doc";

const char* const kReadDoc = R"doc(read(path, check=True) -> File

Opens a session (*.ses) or average (*.ave) file and reads it whole into memory.

path   str, bytes or os.PathLike; any name the system can open.
check  True refuses a file whose length does not match its header; False opens it
       anyway (missing samples read as 0), as "orva ... --open-anyway" does.

Raises orva.Error (an OSError) for a file that cannot be read or that orva refuses, with
the batch tool's text: str(e) is "<absolute path>: <reason>", e.strerror is the reason as
"orva check" prints it, e.g. "Invalid file tag (byte order: 0)".
The interpreter's other threads run while the file is read.)doc";

TDocumentPtr Read(const py::object& path, bool check)
{
    const std::filesystem::path name = PathArgument(path);
    auto document = std::make_shared<TDocument>();
    {
        py::gil_scoped_release unlocked;
        document->File = OpenChecked(name, !check);
    }
    document->ChannelNames = DefaultChannelNames(document->File.NumChannels());
    return document;
}

} // namespace

} // namespace orva::python

PYBIND11_MODULE(orva, m)
{
    using namespace orva::python;
    m.doc() = R"doc(Session (*.ses) and average (*.ave) EEG data files, read by ORVA Toolbox's core.

    f = orva.read("demo.ses")
    f.cells[0].data()          # float64 microvolts, observations x channels x samples
    f.cells[0].raw             # the int16 samples in memory, observations x samples x channels
    pandas.DataFrame(f.long_table(cells="1", chans=[1, 2]))
    epochs = f.to_mne()        # mne.EpochsArray (session) or list of mne.EvokedArray (average)

Numbers shown to users (cells, observations, channels, samples) count from 1, as in the
batch tool orva and its exports. Refusals raise orva.Error.)doc";

    py::dict scope;
    scope["__builtins__"] = py::module_::import("builtins");
    scope["__name__"] = "orva";
    py::exec(kErrorClass, scope);
    // Held for the life of the process: the translator may run until the interpreter ends.
    static const py::handle errorClass = py::object(scope["Error"]).release();
    m.attr("Error") = errorClass;
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p)
                std::rethrow_exception(p);
        } catch (const orva::EORVAError& e) {
            const py::object error = errorClass(PathTextString(e.Path()), Utf8Text(e.Cause()));
            PyErr_SetObject(errorClass.ptr(), error.ptr());
        }
    });

    RegisterCell(m);
    RegisterFile(m);
    m.def("read", &Read, py::arg("path"), py::arg("check") = true, kReadDoc);
}
