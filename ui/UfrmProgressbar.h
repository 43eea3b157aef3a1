#pragma once
// The progress window shown while a file is loaded or written.
#include <QDialog>

#include <cstdint>

class QProgressBar;

namespace orva::ui {

/// A small stay-on-top window with one progress bar. It refuses to close until its position
/// has reached its maximum, so the user cannot close it while work is running. The range is
/// kept in 64 bits; the bar shows it scaled down when it passes the bar's 32-bit range.
class TfrmProgressbar : public QDialog {
    Q_OBJECT
public:
    /// Visible at once, centred over owner; discards itself when it closes.
    explicit TfrmProgressbar(QWidget* owner);

    void SetMaximum(std::int64_t maximum);
    void SetPosition(std::int64_t position);
    std::int64_t Maximum() const { return maximum_; }
    std::int64_t Position() const { return position_; }

    /// The bar itself (what the user sees).
    QProgressBar* pb1;

protected:
    /// Closing is refused while the position is below the maximum.
    void closeEvent(QCloseEvent* event) override;
    /// Escape would close a dialog without asking closeEvent: ignored, like every close.
    void reject() override;

private:
    void ShowOnBar();

    std::int64_t maximum_ = 100;
    std::int64_t position_ = 0;
};

} // namespace orva::ui
