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
    // Disabling the control that has the focus hands it on down the tab
    // chain, to whatever is still enabled; it comes back afterwards, so a key
    // pressed next acts where it did before. Followed in the window, which
    // keeps its focus child while inactive.
    const QList<QWidget*> commands = commands_();
    const QPointer<QWidget> window = commands.isEmpty() ? nullptr : commands.first()->window();
    const QPointer<QWidget> focus = window ? window->focusWidget() : nullptr;
    bool focusDisabled = false;
    std::vector<std::pair<QPointer<QWidget>, bool>> former;
    for (QWidget* control : commands) {
        former.emplace_back(control, control->isEnabled());
        focusDisabled = focusDisabled || control == focus;
        control->setEnabled(false);
    }
    const QPointer<QWidget> handedTo = window ? window->focusWidget() : nullptr;
    running_ = true;
    TApplication::Guard(command);
    running_ = false;
    for (const auto& [control, enabled] : former)
        if (control)
            control->setEnabled(enabled);
    // Only while the focus stays where disabling put it: a control the user
    // chose in the meantime keeps it.
    if (focusDisabled && focus && window && window->focusWidget() == handedTo &&
        focus->isEnabled() && focus->isVisible())
        focus->setFocus(Qt::OtherFocusReason);
    if (std::exchange(closeHeld_, false) && closeWindow_)
        closeWindow_();
}

bool TPassGuard::HoldClose() {
    if (running_)
        closeHeld_ = true;
    return running_;
}
