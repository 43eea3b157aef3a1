#include "ui/UfrmClusterTest.h"

#include "head/SensorPositions.h"
#include "model/ORVAError.h"
#include "plot/QtText.h"
#include "select/EpochLayout.h"
#include "tools/ClusterInput.h"
#include "ui/CancellableProgress.h"
#include "ui/ClusterTestChoices.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <thread>

namespace orva::ui {
using namespace orva::plot; // the pictures and the text helpers of plot/

namespace {

constexpr QSize kTraceSize(520, 200);

QPushButton* Button(QWidget* parent, const char* name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    // Enter computes wherever the focus is; a focused button is pressed with Space.
    button->setAutoDefault(false);
    return button;
}

} // namespace

TfrmClusterTest::TfrmClusterTest(TUserDialogs& dialogs, QWidget* parent) : QDialog(parent), dialogs_(dialogs)
{
    setObjectName("frmClusterTest");
    setWindowTitle(QStringLiteral("Cluster test"));
    QWidget* fields = BuildFields();

    txtSummary = new QPlainTextEdit(this);
    txtSummary->setReadOnly(true);
    txtSummary->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtSummary->setMaximumHeight(txtSummary->fontMetrics().lineSpacing() * 8 + 12);
    twClusters = new QTableWidget(0, 0, this);
    twClusters->setEditTriggers(QAbstractItemView::NoEditTriggers);
    twClusters->setSelectionBehavior(QAbstractItemView::SelectRows);
    twClusters->setSelectionMode(QAbstractItemView::SingleSelection);
    twClusters->verticalHeader()->hide();
    twClusters->horizontalHeader()->setStretchLastSection(true);
    auto* clustersLabel = new QLabel(QStringLiteral("Clu&sters:"), this);
    clustersLabel->setBuddy(twClusters);

    lblMap = new QLabel(this);
    lblMap->setFixedSize(ClusterMapSize());
    lblMap->setAlignment(Qt::AlignCenter);
    lblMap->setWordWrap(true);
    cbChannel = new QComboBox(this);
    cbChannel->setMinimumContentsLength(6);
    auto* channelLabel = new QLabel(QStringLiteral("Mean wa&ves at channel:"), this);
    channelLabel->setBuddy(cbChannel);
    lblTrace = new QLabel(this);
    lblTrace->setFixedSize(kTraceSize);
    lblTrace->setAlignment(Qt::AlignCenter);

    lblPicture = new QLabel(this);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(lblPicture);
    scroll->setMinimumHeight(200);

    btnSaveClusters = Button(this, "btnSaveClusters", QStringLiteral("Save clust&ers..."));
    btnSavePoints = Button(this, "btnSavePoints", QStringLiteral("Save po&ints..."));
    btnSavePicture = Button(this, "btnSavePicture", QStringLiteral("Save fi&gure..."));
    btnClose = Button(this, "btnClose", QStringLiteral("C&lose"));
    for (QPushButton* save : {btnSaveClusters, btnSavePoints, btnSavePicture})
        save->setEnabled(false);

    auto* results = new QVBoxLayout;
    results->addWidget(txtSummary);
    results->addWidget(clustersLabel);
    results->addWidget(twClusters, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(fields);
    top->addLayout(results, 1);

    auto* channelRow = new QHBoxLayout;
    channelRow->addWidget(channelLabel);
    channelRow->addWidget(cbChannel);
    channelRow->addStretch();
    auto* trace = new QVBoxLayout;
    trace->addLayout(channelRow);
    trace->addWidget(lblTrace);
    trace->addStretch();
    auto* cluster = new QHBoxLayout;
    cluster->addWidget(lblMap, 0, Qt::AlignTop);
    cluster->addLayout(trace);
    cluster->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnSaveClusters);
    buttons->addWidget(btnSavePoints);
    buttons->addWidget(btnSavePicture);
    buttons->addStretch();
    buttons->addWidget(btnClose);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(cluster);
    layout->addWidget(scroll, 1);
    layout->addLayout(buttons);
    resize(1180, 960);

    connect(btnCompute, &QPushButton::clicked, this, &TfrmClusterTest::btnComputeClick);
    connect(btnPositions, &QPushButton::clicked, this, [this] { Browse(edtPositions); });
    connect(btnNeighbours, &QPushButton::clicked, this, [this] { Browse(edtNeighbours); });
    connect(chkTfce, &QCheckBox::toggled, this, [this](bool tfce) {
        edtThreshold->setEnabled(!tfce);
        edtPThreshold->setEnabled(!tfce);
    });
    connect(twClusters, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row >= 0 && row != shownCluster_)
            ShowCluster(row);
    });
    connect(cbChannel, &QComboBox::currentIndexChanged, this, [this] { ShowTrace(); });
    connect(btnSaveClusters, &QPushButton::clicked, this, &TfrmClusterTest::btnSaveClustersClick);
    connect(btnSavePoints, &QPushButton::clicked, this, &TfrmClusterTest::btnSavePointsClick);
    connect(btnSavePicture, &QPushButton::clicked, this, &TfrmClusterTest::btnSavePictureClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
}

QWidget* TfrmClusterTest::BuildFields()
{
    auto* box = new QWidget(this);
    auto field = [box](const QString& text, const QString& hint) {
        auto* edit = new QLineEdit(text, box);
        edit->setPlaceholderText(hint);
        return edit;
    };
    edtCells = field(QString(), QStringLiteral("A B (paired, or trials) or A"));
    edtWindow = field(QString(), QStringLiteral("every sample; or T1 T2"));
    edtChannels = field(QString(), QStringLiteral("every channel; or 1 2 3 ..."));
    edtPositions = field(QString(), QStringLiteral(".sfp or _electrodes.tsv"));
    edtNeighbours = field(QString(), QStringLiteral("or LABEL: LABEL ... per line"));
    edtThreshold = field(QString(), QStringLiteral("from the p threshold"));
    edtPThreshold = field(QStringLiteral("0.05"), QStringLiteral("0.05"));
    edtPermutations = field(QStringLiteral("10000"), QStringLiteral("10000"));
    edtSeed = field(QStringLiteral("1"), QStringLiteral("1"));
    btnPositions = Button(box, "btnPositions", QStringLiteral("&Browse..."));
    btnNeighbours = Button(box, "btnNeighbours", QStringLiteral("Br&owse..."));
    chkTfce = new QCheckBox(QStringLiteral("T&FCE instead of a threshold"), box);
    cbTail = new QComboBox(box);
    cbTail->addItem(QStringLiteral("both"), static_cast<int>(TClusterTail::Both));
    cbTail->addItem(QStringLiteral("positive"), static_cast<int>(TClusterTail::Positive));
    cbTail->addItem(QStringLiteral("negative"), static_cast<int>(TClusterTail::Negative));
    btnCompute = new QPushButton(QStringLiteral("Comp&ute"), box);
    btnCompute->setObjectName("btnCompute");
    btnCompute->setDefault(true);
    btnCancel = Button(box, "btnCancel", QStringLiteral("Cancel"));
    btnCancel->setToolTip(QStringLiteral("stops the running test (Esc); the earlier result stays"));
    btnCancel->setEnabled(false);
    pbProgress = new QProgressBar(box);
    pbProgress->setTextVisible(false);
    pbProgress->hide();
    lblStatus = new QLabel(box);

    auto withButton = [](QLineEdit* edit, QPushButton* button) {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 0, 0);
        row->addWidget(edit, 1);
        row->addWidget(button);
        return row;
    };
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Cells:"), edtCells);
    form->addRow(QStringLiteral("&Window (ms):"), edtWindow);
    form->addRow(QStringLiteral("C&hannels:"), edtChannels);
    // A row with a Browse button holds a layout: its label is given its line edit.
    auto browseRow = [&](const QString& text, QLineEdit* edit, QPushButton* button) {
        auto* label = new QLabel(text, box);
        label->setBuddy(edit);
        form->addRow(label, withButton(edit, button));
    };
    browseRow(QStringLiteral("&Positions:"), edtPositions, btnPositions);
    browseRow(QStringLiteral("&Neighbours:"), edtNeighbours, btnNeighbours);
    form->addRow(QStringLiteral("&Threshold (t):"), edtThreshold);
    form->addRow(QStringLiteral("p th&reshold:"), edtPThreshold);
    form->addRow(QString(), chkTfce);
    form->addRow(QStringLiteral("T&ail:"), cbTail);
    form->addRow(QStringLiteral("Per&mutations:"), edtPermutations);
    form->addRow(QStringLiteral("See&d:"), edtSeed);
    auto* run = new QHBoxLayout;
    run->addWidget(btnCompute);
    run->addWidget(btnCancel);
    // The bar while the test runs, where the status stands once it has stopped.
    run->addWidget(pbProgress, 1);
    run->addWidget(lblStatus, 1);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(form);
    column->addLayout(run);
    column->addStretch();
    box->setFixedWidth(400);
    return box;
}

void TfrmClusterTest::SetFile(std::weak_ptr<TORVAFile> file) { document_.Set(std::move(file)); }

TClusterTestFields TfrmClusterTest::Fields() const
{
    TClusterTestFields f;
    f.Cells = edtCells->text();
    f.Window = edtWindow->text();
    f.Channels = edtChannels->text();
    f.Positions = edtPositions->text();
    f.Neighbours = edtNeighbours->text();
    f.Threshold = edtThreshold->text();
    f.PThreshold = edtPThreshold->text();
    f.Tfce = chkTfce->isChecked();
    f.Tail = static_cast<TClusterTail>(cbTail->currentData().toInt());
    f.Permutations = edtPermutations->text();
    f.Seed = edtSeed->text();
    return f;
}

void TfrmClusterTest::Browse(QLineEdit* edit)
{
    QString start = edit->text().trimmed().isEmpty() ? QString() : QFileInfo(edit->text().trimmed()).absolutePath();
    if (start.isEmpty()) {
        const auto f = document_.Lock(this, dialogs_);
        if (!f)
            return;
        start = DocumentFolder(*f);
    }
    if (const auto path = dialogs_.GetOpenFileName(this, start))
        edit->setText(*path);
}

void TfrmClusterTest::Error(const QString& text)
{
    dialogs_.ShowMessage(this, text, QStringLiteral("Error"), TMessageIcon::Error);
}

void TfrmClusterTest::SetRunning(bool running)
{
    running_ = running;
    for (QWidget* w : std::initializer_list<QWidget*>{edtCells, edtWindow, edtChannels, edtPositions, btnPositions,
                                                     edtNeighbours, btnNeighbours, chkTfce, cbTail, edtPermutations,
                                                     edtSeed, btnCompute, twClusters, cbChannel})
        w->setEnabled(!running);
    edtThreshold->setEnabled(!running && !chkTfce->isChecked());
    edtPThreshold->setEnabled(!running && !chkTfce->isChecked());
    for (QPushButton* save : {btnSaveClusters, btnSavePoints, btnSavePicture})
        save->setEnabled(!running && scene_.has_value());
    btnCancel->setEnabled(running);
    lblStatus->setVisible(!running);
    if (running)
        btnCancel->setFocus();
}

void TfrmClusterTest::btnComputeClick()
{
    if (running_)
        return;
    TClusterTestChoices choices = ReadClusterTestChoices(Fields());
    if (!choices.Problem.isEmpty()) {
        Error(choices.Problem);
        return;
    }
    choices.Options.Jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    // Held for the run: the test reads the document's cells as it starts.
    const auto f = document_.Lock(this, dialogs_);
    if (!f)
        return;
    TCancellableProgress progress(pbProgress, btnCancel);
    progress_ = &progress;
    SetRunning(true);
    lblStatus->clear();
    std::optional<TClusterPictureScene> scene;
    QString failure;
    bool cancelled = false;
    try {
        // Channel names as the batch tool gives them without --channel-names: E1 ... En.
        const std::vector<std::string> names = ChannelNamesFor(*f, std::nullopt);
        scene.emplace();
        scene->Result = ClusterTestOfFiles(*f, nullptr, choices.Input, choices.Source, names, choices.Options, &progress);
        scene->Alpha = scene->Result.Alpha;
        if (choices.Source.Positions)
            scene->Directions = RequireDirections(ReadSensorPositions(*choices.Source.Positions), scene->Result.Channels,
                                                  names, {}, *choices.Source.Positions, ExportedDocumentName(*f));
    } catch (const ECancelled&) {
        cancelled = true;
    } catch (const std::exception& e) {
        failure = NativeToText(e.what());
    }
    progress_ = nullptr;
    progress.End();
    SetRunning(false);
    if (cancelled || !failure.isEmpty()) {
        lblStatus->setText(cancelled ? QStringLiteral("Cancelled: the earlier result stays.") : QString());
        if (!failure.isEmpty())
            Error(failure);
    } else {
        scene_ = std::move(scene);
        cells_ = choices.Input.Cells;
        lblStatus->setText(QStringLiteral("Done: %1 clusters.").arg(scene_->Result.Clusters.size()));
        ShowResult();
    }
    if (closeWhenStopped_) {
        closeWhenStopped_ = false;
        close();
    }
}

void TfrmClusterTest::closeEvent(QCloseEvent* event)
{
    if (running_ && progress_) {
        // The run unwinds first; it closes the window when it has stopped.
        closeWhenStopped_ = true;
        progress_->Cancel();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmClusterTest::reject()
{
    // Esc stops a running test; once nothing runs, it closes the window.
    if (running_ && progress_)
        progress_->Cancel();
    else
        QDialog::reject();
}

} // namespace orva::ui
