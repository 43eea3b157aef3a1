#pragma once
// The dialogs of Tools > ERP operations. Each only gathers the choices into the options of
// its operation in tools/Erp*; the main window runs the operation and writes the result.
#include "tools/ErpAverage.h"
#include "tools/ErpTraces.h"
#include "ui/UserDialogs.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <optional>

class QCheckBox;
class QDialogButtonBox;
class QFormLayout;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace orva::ui {

/// The frame of every ERP dialog: a form of fields over OK ("&Write...") and Cancel.
class TfrmErpDialog : public QDialog {
    Q_OBJECT
public:
    TfrmErpDialog(QWidget* parent, const QString& title);
    QPushButton* btnOk;
    QPushButton* btnCancel;

protected:
    QFormLayout* form_;
};

/// Options read from a dialog, or why they cannot be read.
template <class T> struct TRead {
    std::optional<T> Options;
    QString Problem;
};

class TfrmErpAverage : public TfrmErpDialog {
    Q_OBJECT
public:
    explicit TfrmErpAverage(QWidget* parent);
    TRead<TAverageOptions> Read() const;
    QLineEdit* edtObservations; ///< empty: every observation
    QSpinBox* seBaselineMs;
};

class TfrmErpBaseline : public TfrmErpDialog {
    Q_OBJECT
public:
    TfrmErpBaseline(QWidget* parent, bool averageFile);
    TRead<TBaselineOptions> Read() const;
    QCheckBox* chkWindow;       ///< unchecked: every sample before 0 ms (average files)
    QLineEdit* edtWindowStart;
    QLineEdit* edtWindowEnd;
};

class TfrmErpDifference : public TfrmErpDialog {
    Q_OBJECT
public:
    TfrmErpDifference(QWidget* parent, int cells);
    TRead<TDifferenceOptions> Read() const;
    QSpinBox* seCellA;
    QSpinBox* seCellB;
    QLineEdit* edtName; ///< empty: "<A>-<B>"
};

class TfrmErpReference : public TfrmErpDialog {
    Q_OBJECT
public:
    explicit TfrmErpReference(QWidget* parent);
    TRead<TSelectionList> Read() const;
    QLineEdit* edtExclude; ///< empty: every channel enters the mean
};

/// Several average files, in order, for combine or grand average.
class TfrmErpFiles : public TfrmErpDialog {
    Q_OBJECT
public:
    TfrmErpFiles(QWidget* parent, TUserDialogs& dialogs, const QString& startFolder);
    QStringList Files() const;
    /// Add...: one more file from the open dialog.
    void btnAddClick();
    QListWidget* lstFiles;
    QPushButton* btnAdd;
    QPushButton* btnRemove;
    QRadioButton* rbCombine;
    QRadioButton* rbGrandAverage;
    QCheckBox* chkWeighted;

private:
    TUserDialogs& dialogs_;
    QString startFolder_;
};

} // namespace orva::ui
