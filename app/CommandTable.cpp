#include "CommandTable.h"

#include <algorithm>
#include <vector>

std::span<const TCommand> Commands() {
    using enum TCommandId;
    using enum TUndoing;
    static const std::vector<TCommand> table{
        {Open, QStringLiteral("写真を開く"), "BitBtn2Click", "BitBtn2", {"Ctrl+O"}, true, None},
        {Save, QStringLiteral("写真を保存"), "BitBtn1Click", "BitBtn1", {"Ctrl+S"}, false, None},
        {Trim, QStringLiteral("トリミング"), "BitBtn3Click", "BitBtn3", {"Ctrl+T"}, true, Step},
        {Contrast, QStringLiteral("強調"), "BitBtn5Click", "BitBtn5", {}, true, PhotoCopy},
        {Brighten, QStringLiteral("明るく"), "BitBtn4Click", "BitBtn4", {}, true, PhotoCopy},
        {Darken, QStringLiteral("暗く"), "BitBtn6Click", "BitBtn6", {}, true, PhotoCopy},
        {TurnRight, QStringLiteral("右回転"), "BitBtn7Click", "BitBtn7", {}, true, Step},
        {TurnLeft, QStringLiteral("左回転"), "BitBtn8Click", "BitBtn8", {}, true, Step},
        {Undo, QStringLiteral("元に戻す"), "Undo", nullptr, {"Ctrl+Z"}, true, None},
        {Redo, QStringLiteral("やり直す"), "Redo", nullptr, {"Ctrl+Shift+Z", "Ctrl+Y"}, true, None},
        {NextLayout, QStringLiteral("分割選択"), "SpeedButton1Click", "SpeedButton1", {}, false, None},
        {NextPosition, QStringLiteral("位置選択"), "SpeedButton2Click", "SpeedButton2", {}, false, None},
    };
    return table;
}

const TCommand& Command(TCommandId id) {
    return *std::ranges::find(Commands(), id, &TCommand::Id);
}

const TCommand* CommandOfControl(const QString& objectName) {
    const auto commands = Commands();
    const auto row = std::ranges::find_if(commands, [&objectName](const TCommand& c) {
        return c.Control != nullptr && objectName == QLatin1String(c.Control);
    });
    return row == commands.end() ? nullptr : &*row;
}
