#pragma once
// The filters ERP labs use beside the program's FFT low-pass: a zero-phase Butterworth (as
// ERPLAB runs it) or MNE-Python's windowed-sinc FIR, as a low-pass, high-pass, band-pass or
// notch, over every trace of a document.
#include "tools/ErpDocument.h"

#include <optional>
#include <string>
#include <vector>

namespace orva {

enum class EBandKind { LowPass, HighPass, BandPass, Notch };
enum class EFilterDesign { Iir, Fir };

struct TBandFilterOptions {
    EBandKind Kind = EBandKind::LowPass;
    /// The high-pass edge (HighPass, BandPass) or the notch frequency (Notch), Hz.
    double LowHz = 0;
    /// The low-pass edge (LowPass, BandPass), Hz.
    double HighHz = 0;
    EFilterDesign Design = EFilterDesign::Iir;
    /// The Butterworth order per pass (iir only); 2 when absent.
    std::optional<int> Order;
    /// The notch's width in Hz (fir only); MNE-Python's default (f0 / 200) when absent.
    std::optional<double> NotchWidthHz;
};

constexpr int kDefaultButterworthOrder = 2;
constexpr double kNotchQuality = 30;

/// "a band-pass of 0.1-30 Hz (Butterworth, order 2, zero phase)" and the like, for messages.
std::string BandFilterText(const TBandFilterOptions& options);

/// Refuses (EORVAError naming what is wrong) options that make no filter whatever the file:
/// a frequency that is not a positive finite number, a band whose low edge is not below its
/// high edge, an order outside 1 to 8, an order with the FIR design or the notch, a notch
/// width with the IIR design or without a notch.
void CheckBandFilterOptions(const TBandFilterOptions& options);

/// Refuses (EORVAError naming the file, the cell, the frequency and the cell's rate) a
/// frequency at or above the Nyquist frequency of a cell, and a file that cannot be filtered.
void CheckBandFilterFor(const TORVAFile& file, const TBandFilterOptions& options);

/// What the user should know before trusting the edges of the epochs: a FIR filter longer
/// than an epoch, a high-pass whose time constant exceeds it. One text per cell rate and
/// length that needs it.
std::vector<std::string> BandFilterWarnings(const TORVAFile& file, const TBandFilterOptions& options);

/// Filters every trace (each observation's channel) on its own in double precision from the
/// calibrated values, each cell with the filter designed for its own rate, and stores the
/// result as the ERP operations do (session files written back with clamping counted,
/// average files at the ScaleBins the result needs). The warnings are in the result's Notes.
TErpResult BandFilter(TORVAFile file, const TBandFilterOptions& options);
/// BandFilter with the observations of a session file shared among `jobs` threads (1 or
/// fewer: the calling thread alone); the result is the same for any number.
TErpResult BandFilter(TORVAFile file, const TBandFilterOptions& options, int jobs);

/// One trace of `samples` values (stride 1) filtered as BandFilter filters it at `rate`.
void BandFilterTrace(double* values, int samples, double rate, const TBandFilterOptions& options);

} // namespace orva
