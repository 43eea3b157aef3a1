// Sensor positions in Python: orva.read_positions, File.interpolate, and the montage that
// File.to_mne(positions=...) sets.
#include "head/SensorPositions.h"
#include "python/BindingSupport.h"
#include "tools/ChannelInterpolation.h"

#include <pybind11/stl.h>

#include <algorithm>
#include <mutex>

namespace orva::python {

namespace {

// MNE's head radius (its default sphere): the montage puts every sensor there, in the
// direction the positions give it, since only directions count here.
constexpr double kMneHeadRadiusMetres = 0.095;

const char* const kReadPositionsDoc = R"doc(read_positions(path) -> dict

The sensors of a positions file as {label: (x, y, z)} in the file's order and units: an
.sfp file (label x y z per line, fiducials "Fid..." left out) or a BIDS
*_electrodes.tsv (columns name, x, y, z), chosen by the extension in any case. Raises
orva.Error naming the file and the line of anything it refuses.)doc";

const char* const kInterpolateDoc = R"doc(interpolate(chans, positions, exclude=None, origin=(0, 0, 0)) -> int

Repairs bad channels in place, as "orva interpolate" does: each channel of chans (a list
such as "3 17" or a sequence of ints, counted from 1) is replaced, in every observation
and sample, by the spherical spline through every channel neither in chans nor in exclude.
positions is a positions file (see read_positions) or a dict {label: (x, y, z)}; labels are
matched to channel_names, and only each sensor's direction from origin counts. An average
file gets the ScaleBins its new values need; a session file's values are clamped to 16
bits. Returns how many values were clamped. Refusals raise orva.Error and leave the
samples as they were.)doc";

std::vector<TSensorPosition> SensorsArgument(const py::handle& positions, std::filesystem::path& file)
{
    if (!py::isinstance<py::dict>(positions)) {
        file = PathArgument(positions);
        py::gil_scoped_release unlocked;
        return ReadSensorPositions(file);
    }
    file = "positions";
    std::vector<TSensorPosition> sensors;
    for (const auto& [label, xyz] : positions.cast<py::dict>()) {
        const auto p = xyz.cast<std::vector<double>>();
        if (p.size() != 3)
            throw py::value_error("positions: " + py::repr(label).cast<std::string>() + " needs (x, y, z)");
        sensors.push_back({label.cast<std::string>(), p[0], p[1], p[2]});
    }
    return sensors;
}

py::dict ReadPositions(const py::object& path)
{
    std::filesystem::path file;
    py::dict out;
    for (const TSensorPosition& s : SensorsArgument(path, file))
        out[Utf8Text(s.Label)] = py::make_tuple(s.X, s.Y, s.Z);
    return out;
}

std::int64_t Interpolate(TDocument& d, const py::object& chans, const py::object& positions, const py::object& exclude,
                         const std::vector<double>& origin)
{
    TInterpolationOptions options;
    options.Channels = SelectionArgument(chans, "chans").value_or(TSelectionList{});
    options.Excluded = SelectionArgument(exclude, "exclude").value_or(TSelectionList{});
    options.Sensors = SensorsArgument(positions, options.PositionsFile);
    if (origin.size() != 3)
        throw py::value_error("origin needs (x, y, z)");
    options.Origin = {origin[0], origin[1], origin[2]};
    options.ChannelNames = d.ChannelNames;
    py::gil_scoped_release unlocked;
    std::unique_lock writing(d.Samples);
    if (d.File.IsSessionFile()) {
        // A session is changed in its own buffers (which arrays may be viewing), without a
        // copy: it is handed over only once nothing is left to refuse.
        PlanInterpolation(d.File, options);
        TErpResult result = InterpolateChannels(std::move(d.File), options);
        d.File = std::move(result.File);
        return result.Clamped;
    }
    // An average file is stored anew; its samples go back into the cells' own buffers.
    TErpResult result = InterpolateChannels(d.File, options);
    for (std::size_t c = 0; c < d.File.Cells.size(); ++c) {
        const TSampleArray& from = result.File.Cells[c].Data;
        std::copy(from.data(), from.data() + from.size(), d.File.Cells[c].Data.data());
    }
    d.File.GeneralInformation.ScaleBins = result.File.GeneralInformation.ScaleBins;
    d.File.Saved = false;
    return result.Clamped;
}

} // namespace

py::object MneMontage(const py::module_& mne, const TDocument& d, const py::handle& positions)
{
    std::filesystem::path file;
    const auto directions = ChannelDirections(SensorsArgument(positions, file), d.ChannelNames);
    py::dict chPos;
    for (std::size_t h = 0; h < directions.size(); ++h)
        if (const auto& p = directions[h])
            chPos[py::str(d.ChannelNames[h])] =
                py::make_tuple(p->X * kMneHeadRadiusMetres, p->Y * kMneHeadRadiusMetres, p->Z * kMneHeadRadiusMetres);
    return mne.attr("channels").attr("make_dig_montage")(py::arg("ch_pos") = chPos, py::arg("coord_frame") = "head");
}

void AddPositionMethods(py::module_& m, py::class_<TDocument, TDocumentPtr>& cls)
{
    m.def("read_positions", &ReadPositions, py::arg("path"), kReadPositionsDoc);
    cls.def("interpolate", &Interpolate, py::arg("chans"), py::arg("positions"), py::arg("exclude") = py::none(),
            py::arg("origin") = std::vector<double>{0, 0, 0}, kInterpolateDoc);
}

} // namespace orva::python
