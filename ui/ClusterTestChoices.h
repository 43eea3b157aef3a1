#pragma once
// The fields of the cluster test window read into the options of the core's test, as
// orva cluster-test reads its command line: each problem names the field it is in, and is
// found before any file is read.
#include "tools/ClusterInput.h"
#include "tools/ClusterTest.h"

#include <QString>

namespace orva::ui {

/// The fields as typed (numbers with '.', lists separated by blanks).
struct TClusterTestFields {
    QString Cells;        ///< "A B" or "A", numbered from 1
    QString Window;       ///< "T1 T2" in ms; empty: every sample
    QString Channels;     ///< numbered from 1; empty: every channel
    QString Positions;    ///< a positions file, or
    QString Neighbours;   ///< a neighbours file
    QString Threshold;    ///< the cluster-forming t; empty: from the p threshold
    QString PThreshold;   ///< empty: 0.05
    bool Tfce = false;    ///< the thresholds are not read
    TClusterTail Tail = TClusterTail::Both;
    QString Permutations; ///< empty: 10000
    QString Seed;         ///< empty: 1
};

/// What the test runs on, or the field at fault and why ("Cells: ...").
struct TClusterTestChoices {
    TClusterInputOptions Input;
    TNeighbourSource Source;
    TClusterTestOptions Options;
    QString Field;
    QString Problem;
};

TClusterTestChoices ReadClusterTestChoices(const TClusterTestFields& fields);

} // namespace orva::ui
