#pragma once
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QFileDialog;

// A modal file dialog that belongs to a window and has no place on it: the
// window's description holds it as a hidden control with its filter. Filter
// is "name|pattern" pairs joined by "|", as "jpg|*.jpg".
class TFileDialog : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Filter READ Filter WRITE SetFilter)

public:
    enum class Kind { Open, Save };

    TFileDialog(Kind kind, QWidget* parent);

    Kind DialogKind() const { return kind_; }
    QString Filter() const { return filter_; }
    void SetFilter(const QString& filter) { filter_ = filter; }
    QString InitialDir() const { return initialDir_; }
    void SetInitialDir(const QString& folder) { initialDir_ = folder; }
    // The chosen file after Execute returned true.
    QString FileName() const { return fileName_; }

    // Shows the dialog modally; false when the user cancels.
    bool Execute();

    // The filter in the form Qt's dialog takes ("jpg (*.jpg)").
    QString QtFilter() const;

    // The dialog that Execute shows, a child of the window: filter, initial
    // folder, open or save, no overwrite question. The desktop's own dialog
    // is shown where its platform theme offers one (GTK, KDE, the desktop
    // portal), Qt's otherwise; both take these settings.
    std::unique_ptr<QFileDialog> MakeDialog() const;

    // Tests answer dialogs without a modal window: the answerer gets the
    // dialog and returns the chosen name, or nothing to cancel.
    using Answerer = std::function<std::optional<QString>(const TFileDialog&)>;
    static void SetAnswerer(Answerer answerer); // nullptr restores the real dialog

private:
    Kind kind_;
    QString filter_;
    QString initialDir_;
    QString fileName_;
};

class TOpenDialog : public TFileDialog {
    Q_OBJECT
public:
    explicit TOpenDialog(QWidget* parent = nullptr) : TFileDialog(Kind::Open, parent) {}
};

class TSaveDialog : public TFileDialog {
    Q_OBJECT
public:
    explicit TSaveDialog(QWidget* parent = nullptr) : TFileDialog(Kind::Save, parent) {}
};
