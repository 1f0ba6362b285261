#pragma once
#include <QString>
#include <QStringList>
#include <span>

// The window's commands.
enum class TCommandId {
    Open, Save, Trim, Contrast, Brighten, Darken, TurnRight, TurnLeft, Undo, Redo,
    NextLayout, NextPosition,
};

// How a command can be taken back, which its tool tip tells.
enum class TUndoing {
    None,     // it changes nothing that the history keeps
    Step,     // it is a step of the history
    PhotoCopy // a step that needs a copy of the photo, which memory may not allow
};

// One row per command: everything else the window knows about a command (its
// shortcuts, the keys its tool tip tells, whether a tone pass holds it off,
// its undo hint) is derived from here.
struct TCommand {
    TCommandId Id;
    QString Name;        // what the user calls it; the name of its history step
    const char* Handler; // the window's slot that carries it out
    const char* Control; // the button that runs it, by object name; nullptr: keys only
    QStringList Keys;    // shortcuts in portable text ("Ctrl+O"), the first told in the tip
    bool HeldDuringPass; // refused, its button disabled, while a tone pass runs
    TUndoing Undoing;
};

std::span<const TCommand> Commands();
const TCommand& Command(TCommandId id);
// The command a control runs; nullptr for controls that run none.
const TCommand* CommandOfControl(const QString& objectName);
