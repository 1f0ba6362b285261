#pragma once
#include <QList>
#include <functional>

class QWidget;

// A tone pass lets the application service messages between its columns, so
// clicks can be dispatched into the middle of it. While a pass runs, the
// commands that replace, turn, adjust or cut the working bitmap are shown
// disabled and refused, and a request to close the window waits until the
// pass has ended.
class TPassGuard {
public:
    // commands: the controls to disable while a pass runs, asked for at each
    // pass. closeWindow: carries out a close that was held during a pass.
    TPassGuard(std::function<QList<QWidget*>()> commands, std::function<void()> closeWindow);

    bool Running() const { return running_; }

    // Runs the command through the application's error report, with the
    // commands disabled; ignored while another pass runs. Afterwards the
    // commands get their former state back, the focus returns to the command
    // that had it, and a held close is carried out.
    void Run(const std::function<void()>& command);

    // For the window's close request: true, and the close remembered, when
    // it has to wait for the running pass.
    bool HoldClose();

private:
    std::function<QList<QWidget*>()> commands_;
    std::function<void()> closeWindow_;
    bool running_ = false;
    bool closeHeld_ = false;
};
