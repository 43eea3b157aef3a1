// File.filter_band: the Butterworth and FIR filters of "orva filter --low-pass ...", in place.
#include "python/BindingSupport.h"
#include "tools/BandFilter.h"

#include <mutex>

namespace orva::python {

namespace {

const char* const kFilterBandDoc =
    R"doc(filter_band(low_pass=None, high_pass=None, band_pass=None, notch=None, design="iir", order=2, notch_width=None) -> int

Filters every trace in place as "orva filter" with a kind does; exactly one of:

low_pass    Hz: a low-pass with its cut-off (half amplitude) there
high_pass   Hz: a high-pass, for drifts
band_pass   (low, high) in Hz
notch       Hz: a notch for line noise (50 or 60)

design "iir" (a zero-phase Butterworth of `order` 1 to 8 per pass, as SciPy's
sosfiltfilt; the notch is SciPy's iirnotch with Q = 30) or "fir" (MNE-Python's default
FIR; it chooses its own length, so order must stay 2, the default). notch_width (Hz) is
for the FIR notch. Every cell is designed for its own rate. An average file is stored at
the ScaleBins its result needs; a session file's values beyond 16 bits are clamped.
Arrays viewing the samples stay valid. Returns how many values were clamped; a FIR longer
than an epoch or a high-pass slower than it is warned about (RuntimeWarning). Raises
orva.Error for what the batch tool refuses, leaving the samples as they were.)doc";

std::optional<double> Hz(const py::object& value)
{
    if (value.is_none())
        return std::nullopt;
    return py::float_(value).cast<double>();
}

TBandFilterOptions Options(const py::object& lowPass, const py::object& highPass, const py::object& bandPass,
                           const py::object& notch, const std::string& design, int order, const py::object& notchWidth)
{
    TBandFilterOptions o;
    int kinds = 0;
    if (const auto hz = Hz(lowPass)) {
        o.Kind = EBandKind::LowPass;
        o.HighHz = *hz;
        ++kinds;
    }
    if (const auto hz = Hz(highPass)) {
        o.Kind = EBandKind::HighPass;
        o.LowHz = *hz;
        ++kinds;
    }
    if (const auto hz = Hz(notch)) {
        o.Kind = EBandKind::Notch;
        o.LowHz = *hz;
        ++kinds;
    }
    if (!bandPass.is_none()) {
        if (py::isinstance<py::str>(bandPass) || !py::hasattr(bandPass, "__len__") || py::len(bandPass) != 2)
            throw py::type_error("band_pass takes (low, high) in Hz");
        o.Kind = EBandKind::BandPass;
        o.LowHz = py::float_(bandPass[py::int_(0)]).cast<double>();
        o.HighHz = py::float_(bandPass[py::int_(1)]).cast<double>();
        ++kinds;
    }
    if (kinds != 1)
        throw py::value_error("filter_band takes exactly one of low_pass, high_pass, band_pass, notch");
    if (design != "iir" && design != "fir")
        throw py::value_error("design is \"iir\" or \"fir\", not \"" + design + "\"");
    o.Design = design == "fir" ? EFilterDesign::Fir : EFilterDesign::Iir;
    // order=2 is the default and cannot be told from one typed: only another order is an order given.
    if (o.Design == EFilterDesign::Iir ? o.Kind != EBandKind::Notch || order != kDefaultButterworthOrder
                                       : order != kDefaultButterworthOrder)
        o.Order = order;
    o.NotchWidthHz = Hz(notchWidth);
    return o;
}

std::int64_t FilterBand(TDocument& d, const py::object& lowPass, const py::object& highPass,
                        const py::object& bandPass, const py::object& notch, const std::string& design, int order,
                        const py::object& notchWidth)
{
    const TBandFilterOptions o = Options(lowPass, highPass, bandPass, notch, design, order, notchWidth);
    std::vector<std::string> notes;
    std::int64_t clamped = 0;
    {
        py::gil_scoped_release unlocked;
        std::unique_lock writing(d.Samples);
        CheckBandFilterFor(d.File, o);
        if (d.File.IsSessionFile()) {
            // Filtered in its own buffers (which arrays may be viewing), handed over only
            // once nothing is left to refuse.
            TErpResult result = BandFilter(std::move(d.File), o);
            d.File = std::move(result.File);
            clamped = result.Clamped;
            notes = std::move(result.Notes);
        } else {
            // An average file is stored anew; its samples go back into the cells' own buffers.
            TErpResult result = BandFilter(d.File, o);
            for (std::size_t c = 0; c < d.File.Cells.size(); ++c) {
                const TSampleArray& from = result.File.Cells[c].Data;
                std::copy(from.data(), from.data() + from.size(), d.File.Cells[c].Data.data());
            }
            d.File.GeneralInformation.ScaleBins = result.File.GeneralInformation.ScaleBins;
            d.File.Saved = false;
            clamped = result.Clamped;
            notes = std::move(result.Notes);
        }
    }
    const py::object warn = py::module_::import("warnings").attr("warn");
    for (const auto& note : notes)
        warn(Utf8Text(note), py::module_::import("builtins").attr("RuntimeWarning"), 2);
    return clamped;
}

} // namespace

void AddBandFilterMethod(py::class_<TDocument, TDocumentPtr>& cls)
{
    cls.def("filter_band", &FilterBand, py::arg("low_pass") = py::none(), py::arg("high_pass") = py::none(),
            py::arg("band_pass") = py::none(), py::arg("notch") = py::none(), py::arg("design") = "iir",
            py::arg("order") = kDefaultButterworthOrder, py::arg("notch_width") = py::none(), kFilterBandDoc);
}

} // namespace orva::python
