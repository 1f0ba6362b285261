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
        // Several patterns are written "*.jpg;*.png"; Qt separates them by spaces.
        filters.append(parts[i] + QStringLiteral(" (") + QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')) +
                       QLatin1Char(')'));
    return filters.join(QStringLiteral(";;"));
}

std::unique_ptr<QFileDialog> TFileDialog::MakeDialog() const {
    // The folder goes in through the constructor, which falls back to the
    // nearest existing parent of a folder that is gone.
    auto dialog = std::make_unique<QFileDialog>(window(), QString(), initialDir_, QtFilter());
    dialog->setFileMode(QFileDialog::AnyFile);
    if (kind_ == Kind::Save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
    }
    return dialog;
}

bool TFileDialog::Execute() {
    std::optional<QString> chosen;
    if (CurrentAnswerer()) {
        chosen = CurrentAnswerer()(*this);
    } else {
        const std::unique_ptr<QFileDialog> dialog = MakeDialog();
        if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
            chosen = dialog->selectedFiles().constFirst();
    }
    if (!chosen || chosen->isEmpty())
        return false;
    fileName_ = *chosen;
    return true;
}
