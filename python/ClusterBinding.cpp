// File.cluster_test and orva.cluster_test: the cluster-based permutation test of
// "orva cluster-test" as a dict of NumPy arrays.
#include "python/BindingSupport.h"
#include "tools/ClusterInput.h"
#include "tools/ClusterTables.h"

#include <cmath>
#include <mutex>

namespace orva::python {

namespace {

const char* const kClusterDoc =
    R"doc(cluster_test(cells, window=None, chans=None, positions=None, neighbours=None, threshold=None, p_threshold=0.05, tail="both", permutations=10000, seed=1, tfce=False, correction=None) -> dict

The test of "orva cluster-test" on this file: cells [A, B] of an average file of subjects
(paired, A - B per subject), [A] (against 0), or two cells of a session file (their trials as
independent groups). orva.cluster_test(file1, file2, [A]) compares cell A of two files.

window (start, end) in ms; chans a selection; positions a positions file (neighbours by
triangulation) or neighbours a neighbours file; threshold a t, else the t quantile at
p_threshold; tail "both", "positive" or "negative"; tfce=True for TFCE; correction "fdr" or
"bonferroni" for corrected parametric p values per point (no clusters).

Returns t (channels x samples), clusters (most significant first: dicts of mask, sign, mass,
p), null (the observed value first), exact, threshold, p_corrected (channels x samples, NaN
where none applies), cluster_table and point_table (columns as NumPy arrays). The
interpreter's other threads run while it computes.)doc";

py::array_t<double> Grid(const std::vector<double>& values, int channels, int samples)
{
    py::array_t<double> out({channels, samples});
    std::copy(values.begin(), values.end(), out.mutable_data());
    return out;
}

py::dict Columns(const std::vector<std::string>& lines)
{
    // The table's own text, read back column by column: the tables and the dict agree.
    std::vector<std::vector<std::string>> cells;
    for (const auto& line : lines) {
        cells.emplace_back();
        std::string field;
        for (char ch : line) {
            if (ch == ',') {
                cells.back().push_back(field);
                field.clear();
            } else {
                field += ch;
            }
        }
        cells.back().push_back(field);
    }
    py::dict out;
    const py::module_ np = py::module_::import("numpy");
    for (std::size_t c = 0; c < cells[0].size(); ++c) {
        py::list column;
        bool numeric = true;
        for (std::size_t r = 1; r < cells.size(); ++r) {
            const std::string& text = cells[r][c];
            column.append(py::str(text));
            numeric = numeric && !text.empty() && text.find_first_not_of("-0123456789.") == std::string::npos;
        }
        const std::string name = cells[0][c];
        // Columns of numbers that may be empty (NaN) in some or every row.
        const bool sparse = name == "cluster" || name == "p_corrected" || name == "tfce";
        const bool text = name == "sign" || name == "channels" || (!numeric && !sparse);
        if (text)
            out[py::str(name)] = np.attr("array")(column, py::arg("dtype") = "object");
        else {
            py::list numbers;
            for (auto item : column) {
                const std::string s = item.cast<std::string>();
                numbers.append(s.empty() ? std::nan("") : std::stod(s));
            }
            out[py::str(name)] = np.attr("array")(numbers, py::arg("dtype") = "float64");
        }
    }
    return out;
}

py::dict ResultDict(const TClusterTestResult& r)
{
    const int channels = r.NumChannels(), samples = r.NumSamples();
    py::dict out;
    out["t"] = Grid(r.T, channels, samples);
    py::list clusters;
    for (const TCluster& c : r.Clusters) {
        py::dict d;
        py::array_t<bool> mask({channels, samples});
        const std::vector<bool> m = c.Mask(channels * samples);
        for (std::size_t i = 0; i < m.size(); ++i)
            mask.mutable_data()[i] = m[i];
        d["mask"] = mask;
        d["sign"] = c.Sign;
        d["mass"] = c.Mass;
        d["p"] = c.P;
        clusters.append(d);
    }
    out["clusters"] = clusters;
    out["null"] = VectorArray(std::vector<double>(r.Null));
    out["exact"] = r.Exact;
    out["threshold"] = r.Threshold;
    out["p_corrected"] = Grid(r.PCorrected, channels, samples);
    TLineCollector clusterLines, pointLines;
    WriteClusterTable(r, clusterLines);
    WritePointTable(r, pointLines);
    out["cluster_table"] = Columns(clusterLines.Lines);
    out["point_table"] = Columns(pointLines.Lines);
    return out;
}

struct TPyOptions {
    TClusterInputOptions Input;
    TNeighbourSource Source;
    TClusterTestOptions Test;
};

TPyOptions Options(const py::object& cells, const py::object& window, const py::object& chans,
                   const py::object& positions, const py::object& neighbours, const py::object& threshold,
                   double pThreshold, const std::string& tail, std::int64_t permutations, std::uint64_t seed, bool tfce,
                   const py::object& correction)
{
    TPyOptions o;
    const auto list = SelectionArgument(cells, "cells");
    if (!list)
        throw py::value_error("cells: give one cell or two");
    o.Input.Cells = *list;
    if (!window.is_none()) {
        if (py::isinstance<py::str>(window) || py::len(window) != 2)
            throw py::type_error("window takes two times in ms: (start, end)");
        o.Input.WindowStart = py::float_(window[py::int_(0)]).cast<double>();
        o.Input.WindowEnd = py::float_(window[py::int_(1)]).cast<double>();
    }
    o.Input.Channels = SelectionArgument(chans, "chans");
    if (!positions.is_none())
        o.Source.Positions = PathArgument(positions);
    if (!neighbours.is_none())
        o.Source.NeighboursFile = PathArgument(neighbours);
    if (!threshold.is_none())
        o.Test.Threshold = py::float_(threshold).cast<double>();
    o.Test.PThreshold = pThreshold;
    if (tail == "positive")
        o.Test.Tail = TClusterTail::Positive;
    else if (tail == "negative")
        o.Test.Tail = TClusterTail::Negative;
    else if (tail != "both")
        throw py::value_error("tail is \"both\", \"positive\" or \"negative\", not \"" + tail + "\"");
    o.Test.Permutations = permutations;
    o.Test.Seed = seed;
    o.Test.Tfce = tfce;
    if (!correction.is_none()) {
        const std::string c = correction.cast<std::string>();
        if (c != "fdr" && c != "bonferroni")
            throw py::value_error("correction is \"fdr\" or \"bonferroni\", not \"" + c + "\"");
        o.Test.Correction = c == "fdr" ? TPointCorrection::Fdr : TPointCorrection::Bonferroni;
    }
    o.Test.Jobs = 1;
    return o;
}

py::dict Run(const TDocument& first, const TDocument* second, const TPyOptions& o)
{
    TClusterTestResult result;
    {
        py::gil_scoped_release unlocked;
        std::shared_lock reading(first.Samples);
        std::shared_lock readingSecond = second && second != &first ? std::shared_lock(second->Samples)
                                                                    : std::shared_lock<std::shared_mutex>();
        result = ClusterTestOfFiles(first.File, second ? &second->File : nullptr, o.Input, o.Source,
                                    first.ChannelNames, o.Test);
    }
    return ResultDict(result);
}

} // namespace

void AddClusterMethods(py::module_& m, py::class_<TDocument, TDocumentPtr>& cls)
{
    cls.def(
        "cluster_test",
        [](const TDocument& d, const py::object& cells, const py::object& window, const py::object& chans,
           const py::object& positions, const py::object& neighbours, const py::object& threshold, double pThreshold,
           const std::string& tail, std::int64_t permutations, std::uint64_t seed, bool tfce,
           const py::object& correction) {
            return Run(d, nullptr, Options(cells, window, chans, positions, neighbours, threshold, pThreshold, tail,
                                           permutations, seed, tfce, correction));
        },
        py::arg("cells"), py::arg("window") = py::none(), py::arg("chans") = py::none(),
        py::arg("positions") = py::none(), py::arg("neighbours") = py::none(), py::arg("threshold") = py::none(),
        py::arg("p_threshold") = 0.05, py::arg("tail") = "both", py::arg("permutations") = 10000,
        py::arg("seed") = 1, py::arg("tfce") = false, py::arg("correction") = py::none(), kClusterDoc);
    m.def(
        "cluster_test",
        [](const TDocument& a, const TDocument& b, const py::object& cells, const py::object& window,
           const py::object& chans, const py::object& positions, const py::object& neighbours,
           const py::object& threshold, double pThreshold, const std::string& tail, std::int64_t permutations,
           std::uint64_t seed, bool tfce, const py::object& correction) {
            return Run(a, &b, Options(cells, window, chans, positions, neighbours, threshold, pThreshold, tail,
                                      permutations, seed, tfce, correction));
        },
        py::arg("file1"), py::arg("file2"), py::arg("cells"), py::arg("window") = py::none(),
        py::arg("chans") = py::none(), py::arg("positions") = py::none(), py::arg("neighbours") = py::none(),
        py::arg("threshold") = py::none(), py::arg("p_threshold") = 0.05, py::arg("tail") = "both",
        py::arg("permutations") = 10000, py::arg("seed") = 1, py::arg("tfce") = false,
        py::arg("correction") = py::none(), kClusterDoc);
}

} // namespace orva::python
