#include "PassGuard.h"

#include "TApplication.h"

#include <QPointer>
#include <QWidget>
#include <utility>
#include <vector>

TPassGuard::TPassGuard(std::function<QList<QWidget*>()> commands, std::function<void()> closeWindow)
    : commands_(std::move(commands)), closeWindow_(std::move(closeWindow)) {}

void TPassGuard::Run(const std::function<void()>& command) {
    if (running_)
        return;
    std::vector<std::pair<QPointer<QWidget>, bool>> former;
    for (QWidget* control : commands_()) {
        former.emplace_back(control, control->isEnabled());
        control->setEnabled(false);
    }
    running_ = true;
    TApplication::Guard(command);
    running_ = false;
    for (const auto& [control, enabled] : former)
        if (control)
            control->setEnabled(enabled);
    if (std::exchange(closeHeld_, false) && closeWindow_)
        closeWindow_();
}

bool TPassGuard::HoldClose() {
    if (running_)
        closeHeld_ = true;
    return running_;
}
