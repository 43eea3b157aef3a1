// Tools > Filters...: the fields read into the band filters' options, the refusals with the
// core's messages, the preview against BandFilterTrace, and OK against the core's BandFilter.
#include "BandFilterTestSupport.h"
#include "MainWindowFixture.h"

#include "data/DemoData.h"
#include "plot/FilterPreview.h"
#include "plot/PlotScene.h"
#include "tools/BandFilter.h"
#include "tools/FilterTexts.h"
#include "tools/LowPassFilter.h"
#include "ui/BandFilterFields.h"
#include "ui/UfrmBandFilter.h"
#include "ui/UfrmShowcell.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <functional>

namespace orva::test {
namespace {

using ui::TBandFilterFields;

TORVAFile Load(const std::string& path)
{
    TORVAFile file;
    file.LoadFromFile(path);
    return file;
}

// ---- the dialog in the main window ---------------------------------------------------------------

class TBandFilterDialogTest : public TMainWindowTest {
protected:
    /// The demo's average file (3 cells, 64 channels, 250 samples at 250 Hz).
    std::string DemoAverage()
    {
        const std::string path = Temp.Path("demo.ave");
        MakeDemoAverageFile().SaveToFile(path);
        return path;
    }
    /// The demo's session file (2 cells of 40 trials, per-channel zeros and gains).
    std::string DemoSession()
    {
        const std::string path = Temp.Path("demo.ses");
        MakeDemoSessionFile().SaveToFile(path);
        return path;
    }

    /// Tools > Filters... with action run on the dialog; a dialog the action left open is
    /// cancelled and reported.
    void RunFilters(const std::function<void(ui::TfrmBandFilter&)>& action)
    {
        bool ran = false;
        OnNextModalDialog([&](QWidget* widget) {
            auto* dialog = qobject_cast<ui::TfrmBandFilter*>(widget);
            if (!dialog) {
                widget->close();
                ADD_FAILURE() << "the modal dialog is not the filters dialog";
                return;
            }
            ran = true;
            action(*dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the test left the dialog open";
                dialog->reject();
            }
        });
        Choose("miToolsBandFilter");
        EXPECT_TRUE(ran) << "the dialog did not open";
    }

    static void Pick(QComboBox* box, int data) { box->setCurrentIndex(box->findData(data)); }
    static void Type(QLineEdit* edit, const QString& text)
    {
        edit->selectAll();
        QTest::keyClicks(edit, text);
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Backspace);
    }
    /// Sets a band-pass lo-hi of order 2 (IIR) and presses Enter in the frequency field.
    static void BandPassAndEnter(ui::TfrmBandFilter& d, const QString& lo, const QString& hi)
    {
        Pick(d.cbKind, static_cast<int>(EBandKind::BandPass));
        Type(d.edtFrequency, lo);
        Type(d.edtUpper, hi);
        QTest::keyClick(d.edtFrequency, Qt::Key_Return);
    }

    /// The save of the open document through File > Save as...
    std::vector<std::uint8_t> SavedBytes(const std::string& name)
    {
        Dialogs.SaveNames.push_back(QString::fromStdString(Temp.Path(name)));
        Choose("miFileSaveas");
        return ReadBytes(Temp.Path(name));
    }
    /// The core's BandFilter of the file at path, saved.
    std::vector<std::uint8_t> CoreBytes(const std::string& path, const TBandFilterOptions& o, const std::string& name)
    {
        BandFilter(Load(path), o).File.SaveToFile(Temp.Path(name));
        return ReadBytes(Temp.Path(name));
    }
};

TEST_F(TBandFilterDialogTest, FieldsAreEnabledForTheKindAndDesignAndReadIntoTheirOptions)
{
    OpenViaMenu(QString::fromStdString(DemoAverage()));
    ui::TfrmBandFilter d(Window.get(), Dialogs, *Window->CurrentFile);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Filters"));
    EXPECT_EQ(d.edtFrequency->text(), QStringLiteral("30")) << "a low-pass at 30 Hz to begin with";
    EXPECT_TRUE(d.btnOk->isDefault());
    const struct {
        EBandKind Kind;
        EFilterDesign Design;
        bool Upper, Order, NotchWidth;
        const char* Usual;
        const char* Caption;
    } cases[] = {
        {EBandKind::LowPass, EFilterDesign::Iir, false, true, false, "30", "Cut-o&ff (Hz):"},
        {EBandKind::HighPass, EFilterDesign::Iir, false, true, false, "0.1", "Cut-o&ff (Hz):"},
        {EBandKind::BandPass, EFilterDesign::Iir, true, true, false, "0.1", "&From (Hz):"},
        {EBandKind::BandPass, EFilterDesign::Fir, true, false, false, "0.1", "&From (Hz):"},
        {EBandKind::Notch, EFilterDesign::Iir, false, false, false, "50", "&Frequency (Hz):"},
        {EBandKind::Notch, EFilterDesign::Fir, false, false, true, "50", "&Frequency (Hz):"},
        {EBandKind::LowPass, EFilterDesign::Fir, false, false, false, "30", "Cut-o&ff (Hz):"},
    };
    for (const auto& c : cases) {
        Pick(d.cbKind, static_cast<int>(c.Kind));
        Pick(d.cbDesign, static_cast<int>(c.Design));
        const std::string name = d.cbKind->currentText().toStdString() + " " + d.cbDesign->currentText().toStdString();
        EXPECT_EQ(d.edtUpper->isEnabled(), c.Upper) << name;
        EXPECT_EQ(d.seOrder->isEnabled(), c.Order) << name;
        EXPECT_EQ(d.edtNotchWidth->isEnabled(), c.NotchWidth) << name;
        EXPECT_EQ(d.edtFrequency->text(), QString::fromLatin1(c.Usual)) << name << ": the kind's usual frequency";
        EXPECT_EQ(d.lblFrequency->text(), QString::fromLatin1(c.Caption)) << name;
        const TBandFilterFields f = d.Fields();
        EXPECT_EQ(f.Kind, c.Kind);
        EXPECT_EQ(f.Design, c.Design);
    }

    // What the user types stays when the kind changes, and the widgets give the options.
    Pick(d.cbDesign, static_cast<int>(EFilterDesign::Iir));
    Pick(d.cbKind, static_cast<int>(EBandKind::BandPass));
    Type(d.edtFrequency, QStringLiteral("0.5"));
    Type(d.edtUpper, QStringLiteral("20"));
    d.seOrder->setValue(4);
    Pick(d.cbKind, static_cast<int>(EBandKind::HighPass));
    Pick(d.cbKind, static_cast<int>(EBandKind::BandPass));
    EXPECT_EQ(d.edtFrequency->text(), QStringLiteral("0.5"));
    EXPECT_EQ(d.edtUpper->text(), QStringLiteral("20"));
    const auto read = ui::ReadBandFilterFields(d.Fields());
    ASSERT_TRUE(read.Options.has_value()) << read.Problem.toStdString();
    EXPECT_EQ(read.Options->Kind, EBandKind::BandPass);
    EXPECT_EQ(read.Options->LowHz, 0.5);
    EXPECT_EQ(read.Options->HighHz, 20.0);
    EXPECT_EQ(read.Options->Order, 4);
}

TEST_F(TBandFilterDialogTest, AFrequencyAboveNyquistIsRefusedByNameAndTheDialogStays)
{
    const std::string path = DemoAverage();
    OpenViaMenu(QString::fromStdString(path));
    const auto original = Window->CurrentFile->Cells[1].Data;
    const TBandFilterOptions tooHigh = Options(EBandKind::LowPass, 0, 130, EFilterDesign::Iir, 2);
    const std::string expected = CoreRefusal([&] { CheckBandFilterFor(*Window->CurrentFile, tooHigh); });
    ASSERT_NE(expected.find("130 Hz"), std::string::npos) << expected;
    ASSERT_NE(expected.find("125 Hz"), std::string::npos) << expected;

    bool stayedOpen = false;
    QString notes;
    RunFilters([&](ui::TfrmBandFilter& d) {
        Type(d.edtFrequency, QStringLiteral("130"));
        notes = d.NotesText();
        QTest::keyClick(d.edtFrequency, Qt::Key_Return);
        stayedOpen = d.isVisible();
        EXPECT_EQ(d.PreviewScene().Series.size(), 1u) << "no filtered trace for a refused frequency";
        Type(d.edtFrequency, QStringLiteral("30"));
        QTest::mouseClick(d.btnOk, Qt::LeftButton);
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(notes.toStdString(), expected) << "the problem is shown beside the preview as well";
    ASSERT_GE(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text.toStdString(), expected);
    EXPECT_EQ(Dialogs.Messages[0].Caption, QStringLiteral("Error"));
    EXPECT_EQ(Dialogs.Messages.size(), 1u) << Dialogs.MessageTexts().join("\n").toStdString();
    // The corrected frequency was then filtered with.
    EXPECT_NE(Window->CurrentFile->Cells[1].Data, original);
    EXPECT_EQ(Window->CurrentFile->Cells[1].Data,
              BandFilter(Load(path), Options(EBandKind::LowPass, 0, 30, EFilterDesign::Iir, 2)).File.Cells[1].Data);
}

TEST_F(TBandFilterDialogTest, OkFiltersTheDocumentInMemoryAsTheBatchToolDoes)
{
    const struct {
        const char* Name;
        std::string Path;
        std::function<void(ui::TfrmBandFilter&)> Fill;
        TBandFilterOptions Options;
    } cases[] = {
        {"session, Butterworth band-pass", DemoSession(),
         [](ui::TfrmBandFilter& d) {
             d.seOrder->setValue(3);
             BandPassAndEnter(d, QStringLiteral("1"), QStringLiteral("30"));
         },
         Options(EBandKind::BandPass, 1, 30, EFilterDesign::Iir, 3)},
        {"average, FIR low-pass", DemoAverage(),
         [](ui::TfrmBandFilter& d) {
             Pick(d.cbDesign, static_cast<int>(EFilterDesign::Fir));
             Type(d.edtFrequency, QStringLiteral("20"));
             QTest::mouseClick(d.btnOk, Qt::LeftButton);
         },
         Options(EBandKind::LowPass, 0, 20, EFilterDesign::Fir, std::nullopt)},
    };
    for (const auto& c : cases) {
        OpenViaMenu(QString::fromStdString(c.Path));
        ASSERT_NE(Window->CurrentFile, nullptr) << c.Name;
        const std::vector<std::uint8_t> before = ReadBytes(c.Path);
        RunFilters(c.Fill);
        EXPECT_TRUE(Dialogs.Messages.empty()) << c.Name << ": " << Dialogs.MessageTexts().join("\n").toStdString();
        EXPECT_FALSE(Window->CurrentFile->Saved) << c.Name;
        EXPECT_TRUE(Title().endsWith(QString::fromStdString(std::filesystem::path(c.Path).filename().string())))
            << c.Name << ": the document keeps its name";
        EXPECT_EQ(ReadBytes(c.Path), before) << c.Name << ": the file itself is not written";
        const auto core = CoreBytes(c.Path, c.Options, "core.out");
        ASSERT_NE(core, before) << c.Name << ": the test data must change under the filter";
        EXPECT_TRUE(SavedBytes("saved.out") == core) << c.Name << ": Save as writes what the core's filter gives";
        Window->CurrentFile->Saved = true;
        Choose("miFileClose");
        Dialogs.Messages.clear();
    }
}

TEST_F(TBandFilterDialogTest, PreviewDrawsTheCellGraphsTraceBeforeAndAfterOnItsScales)
{
    OpenViaMenu(QString::fromStdString(DemoAverage()));
    Window->miViewChannelgraphClick();
    auto* graph = Window->CellGraph();
    ASSERT_NE(graph, nullptr);
    graph->seCell->setValue(2);
    graph->seChan->setValue(20);
    graph->cbRange->setCurrentText(QStringLiteral("40"));
    graph->cbNegativeUp->setChecked(true);
    const TORVAFile& file = *Window->CurrentFile;

    // What the preview must show, computed here from the calibrated values.
    const auto expectedAfter = [&](int cell, int channel, const TBandFilterOptions& o) {
        const TORVACell& c = file.Cells[static_cast<std::size_t>(cell)];
        std::vector<double> v;
        for (int k = 0; k < c.SamplesPerObservation; ++k)
            v.push_back(CalibratedValue(file, c.Data(0, k, channel), channel));
        BandFilterTrace(v.data(), static_cast<int>(v.size()), c.SamplesPerSecond, o);
        return std::vector<float>(v.begin(), v.end());
    };
    RunFilters([&](ui::TfrmBandFilter& d) {
        EXPECT_EQ(d.seCell->value(), 2);
        EXPECT_EQ(d.seObs->value(), 1);
        EXPECT_EQ(d.seChan->value(), 20);
        const plot::TPlotScene& scene = d.PreviewScene();
        EXPECT_EQ(scene.Options.RangeUv, 40) << "the cell graph's range";
        EXPECT_TRUE(scene.Options.NegativeUp) << "the cell graph's polarity";
        ASSERT_EQ(scene.Series.size(), 2u);
        EXPECT_EQ(scene.Series[0].Voltages, plot::TraceVoltages(file, 1, 0, 19)) << "before";
        EXPECT_EQ(scene.Series[0].Colour, plot::kUnfilteredColour);
        EXPECT_EQ(scene.Series[1].Voltages, expectedAfter(1, 19, Options(EBandKind::LowPass, 0, 30, EFilterDesign::Iir, 2)));
        EXPECT_TRUE(scene.Series[1].Highlight) << "the filtered trace is drawn on top";

        // A change of the fields or of the trace redraws the after-trace.
        Pick(d.cbKind, static_cast<int>(EBandKind::Notch));
        Pick(d.cbDesign, static_cast<int>(EFilterDesign::Fir));
        d.seChan->setValue(3);
        ASSERT_EQ(d.PreviewScene().Series.size(), 2u);
        EXPECT_EQ(d.PreviewScene().Series[0].Voltages, plot::TraceVoltages(file, 1, 0, 2));
        EXPECT_EQ(d.PreviewScene().Series[1].Voltages,
                  expectedAfter(1, 2, Options(EBandKind::Notch, 50, 0, EFilterDesign::Fir, std::nullopt)));
        // Fields that give no filter leave the trace as it is, and say why.
        Type(d.edtFrequency, QStringLiteral("fifty"));
        EXPECT_EQ(d.PreviewScene().Series.size(), 1u);
        EXPECT_EQ(d.NotesText(), QStringLiteral("'fifty' is not a number of Hz for the notch frequency."));
        QTest::keyClick(d.edtFrequency, Qt::Key_Escape);
    });
    EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.MessageTexts().join("\n").toStdString();
}

TEST_F(TBandFilterDialogTest, WithoutACellGraphThePreviewFitsBothTracesAndTheGraphFollowsTheFilter)
{
    OpenViaMenu(QString::fromStdString(DemoAverage()));
    RunFilters([&](ui::TfrmBandFilter& d) {
        EXPECT_EQ(d.seCell->value(), 1);
        EXPECT_EQ(d.seChan->value(), 1);
        const plot::TPlotScene& scene = d.PreviewScene();
        EXPECT_EQ(scene.Options.RangeUv, plot::FitRange(plot::SceneVoltages(scene)));
        EXPECT_TRUE(scene.Options.Axes);
        Type(d.edtFrequency, QStringLiteral("8"));
        EXPECT_EQ(d.PreviewScene().Options.RangeUv, plot::FitRange(plot::SceneVoltages(d.PreviewScene())));
        QTest::keyClick(d.edtFrequency, Qt::Key_Return);
    });
    // A cell graph opened before the filter shows the filtered samples at once.
    Window->miViewChannelgraphClick();
    auto* graph = Window->CellGraph();
    ASSERT_NE(graph, nullptr);
    const auto filteredOnce = graph->Voltages();
    RunFilters([&](ui::TfrmBandFilter& d) {
        Type(d.edtFrequency, QStringLiteral("4"));
        QTest::keyClick(d.edtFrequency, Qt::Key_Return);
    });
    EXPECT_NE(graph->Voltages(), filteredOnce);
    EXPECT_EQ(graph->Voltages(), plot::TraceVoltages(*Window->CurrentFile, 0, 0, 0));
}

TEST_F(TBandFilterDialogTest, WarningsAreShownBesideThePreviewAndAfterFilteringWhichStillHappens)
{
    const std::string path = DemoAverage();
    OpenViaMenu(QString::fromStdString(path));
    const auto original = Window->CurrentFile->Cells[0].Data;
    const TBandFilterOptions o = Options(EBandKind::HighPass, 0.1, 0, EFilterDesign::Iir, 2);
    const std::vector<std::string> warnings = BandFilterWarnings(*Window->CurrentFile, o);
    ASSERT_EQ(warnings.size(), 1u) << "a 1 s epoch is short for a 0.1 Hz high-pass";
    QString notes;
    RunFilters([&](ui::TfrmBandFilter& d) {
        Pick(d.cbKind, static_cast<int>(EBandKind::HighPass)); // 0.1 Hz, the kind's usual one
        notes = d.NotesText();
        QTest::keyClick(d.edtFrequency, Qt::Key_Return);
    });
    EXPECT_EQ(notes, QStringLiteral("Warning: ") + QString::fromStdString(warnings[0]) + QStringLiteral("."));
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text.toStdString(), warnings[0]);
    EXPECT_EQ(Dialogs.Messages[0].Caption, QStringLiteral("Warning"));
    EXPECT_EQ(Dialogs.Messages[0].Icon, ui::TMessageIcon::Warning);
    EXPECT_EQ(Window->CurrentFile->Cells[0].Data, BandFilter(Load(path), o).File.Cells[0].Data);
    EXPECT_NE(Window->CurrentFile->Cells[0].Data, original);
}

TEST_F(TBandFilterDialogTest, ClampedValuesAreReportedAsTheLowPassReportsThem)
{
    const QString path = WriteFile("loud.ses", OvershootingSession());
    // A square wave of 15.6 Hz at 250 Hz: the low-pass keeps its fundamental alone, a sine
    // 4 / pi times the square's height.
    const TBandFilterOptions o = Options(EBandKind::LowPass, 0, 30, EFilterDesign::Iir, 8);
    const TErpResult expected = BandFilter(Load(path.toStdString()), o);
    ASSERT_GT(expected.Clamped, 0) << "the square wave must overshoot under the filter";
    ASSERT_TRUE(expected.Notes.empty());

    OpenViaMenu(path);
    RunFilters([&](ui::TfrmBandFilter& d) {
        Type(d.edtFrequency, QStringLiteral("30"));
        d.seOrder->setValue(8);
        QTest::keyClick(d.seOrder, Qt::Key_Return);
    });
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text.toStdString(), ClampedValuesText(expected.Clamped));
    EXPECT_EQ(Dialogs.Messages[0].Caption, QStringLiteral("Warning"));
    EXPECT_EQ(Window->CurrentFile->Cells[0].Data, expected.File.Cells[0].Data);
}

TEST_F(TBandFilterDialogTest, CancelEscapeAndCloseChangeNothing)
{
    OpenViaMenu(QString::fromStdString(DemoSession()));
    const std::shared_ptr<TORVAFile> document = Window->CurrentFile;
    const auto original = document->Cells[0].Data;
    const std::function<void(ui::TfrmBandFilter&)> exits[] = {
        [](ui::TfrmBandFilter& d) { QTest::mouseClick(d.btnCancel, Qt::LeftButton); },
        [](ui::TfrmBandFilter& d) { QTest::keyClick(d.edtFrequency, Qt::Key_Escape); },
        [](ui::TfrmBandFilter& d) { d.close(); },
    };
    for (const auto& leave : exits)
        RunFilters([&](ui::TfrmBandFilter& d) {
            Type(d.edtFrequency, QStringLiteral("5"));
            d.seOrder->setValue(6);
            leave(d);
        });
    EXPECT_EQ(Window->CurrentFile, document);
    EXPECT_EQ(document->Cells[0].Data, original);
    EXPECT_TRUE(document->Saved);
    EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.MessageTexts().join("\n").toStdString();
}

TEST_F(TBandFilterDialogTest, TheLowPassItemStillFiltersAsBefore)
{
    const std::string path = DemoAverage();
    OpenViaMenu(QString::fromStdString(path));
    const TBandFilterOptions notch = Options(EBandKind::Notch, 50, 0, EFilterDesign::Iir, std::nullopt);
    RunFilters([](ui::TfrmBandFilter& d) {
        Pick(d.cbKind, static_cast<int>(EBandKind::Notch));
        QTest::keyClick(d.edtFrequency, Qt::Key_Return);
    });
    TORVAFile expected = BandFilter(Load(path), notch).File;
    LowPassFilter(expected, 12.5f);
    OnNextModalDialog([](QWidget* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>("edtLowfreq");
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), QStringLiteral("20"));
        edit->setText(QStringLiteral("12.5"));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    Choose("miToolsLPFilter");
    EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.MessageTexts().join("\n").toStdString();
    for (std::size_t c = 0; c < expected.Cells.size(); ++c)
        EXPECT_EQ(Window->CurrentFile->Cells[c].Data, expected.Cells[c].Data) << "cell " << c + 1;
}

TEST_F(TBandFilterDialogTest, EveryFieldHasItsOwnAccelerator)
{
    OpenViaMenu(QString::fromStdString(DemoAverage()));
    ui::TfrmBandFilter d(Window.get(), Dialogs, *Window->CurrentFile);
    QSet<QChar> used;
    int labelled = 0;
    for (const QLabel* label : d.findChildren<QLabel*>()) {
        if (!label->buddy())
            continue;
        ++labelled;
        const QString text = label->text();
        const qsizetype at = text.indexOf(QLatin1Char('&'));
        ASSERT_GE(at, 0) << text.toStdString();
        const QChar key = text.at(at + 1).toUpper();
        EXPECT_FALSE(used.contains(key)) << text.toStdString() << " repeats " << QString(key).toStdString();
        used.insert(key);
    }
    EXPECT_EQ(labelled, 9) << "kind, frequency, upper edge, design, order, notch width, cell, obs., chan.";
    // Alt+letter reaches the field: Alt+D the design.
    d.show();
    QApplication::setActiveWindow(&d);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    QTest::keyClick(&d, Qt::Key_D, Qt::AltModifier);
    EXPECT_TRUE(d.cbDesign->hasFocus());
    QTest::keyClick(&d, Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(d.edtFrequency->hasFocus());
    d.reject();
}

} // namespace
} // namespace orva::test
