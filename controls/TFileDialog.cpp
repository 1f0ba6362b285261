#include "TFileDialog.h"

#include <QFileDialog>

namespace {
TFileDialog::Answerer& CurrentAnswerer() {
    static TFileDialog::Answerer answerer;
    return answerer;
}
} // namespace

TFileDialog::TFileDialog(Kind kind, QWidget* parent) : QWidget(parent), kind_(kind) {
    setVisible(false);
}

void TFileDialog::SetAnswerer(Answerer answerer) { CurrentAnswerer() = std::move(answerer); }

QString TFileDialog::QtFilter() const {
    const QStringList parts = filter_.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters.append(parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')'));
    return filters.join(QStringLiteral(";;"));
}

bool TFileDialog::Execute() {
    std::optional<QString> chosen;
    if (CurrentAnswerer()) {
        chosen = CurrentAnswerer()(*this);
    } else {
        QFileDialog dialog(window(), QString(), initialDir_, QtFilter());
        // Qt's own dialog everywhere, so it behaves the same on every desktop.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        if (kind_ == Kind::Save) {
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setOption(QFileDialog::DontConfirmOverwrite);
            dialog.setFileMode(QFileDialog::AnyFile);
        } else {
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::AnyFile);
        }
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    if (!chosen || chosen->isEmpty())
        return false;
    fileName_ = *chosen;
    return true;
}
