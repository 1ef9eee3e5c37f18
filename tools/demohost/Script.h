// The UI script of `zelto-demo --script FILE`: one command per line, read and checked as a whole
// before anything runs, so that a typing error at the end does not surface after a long run.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace zdemo {

enum class ScriptOp {
    Click,
    Press,
    Tap,
    TapModel,
    Drag,
    Pinch,
    Wheel,
    Type,
    Key,
    Wait,
    WaitFor,
    WaitText,
    Expect,
    Select,
    Tick,
    Gps,
    FindUnit,
    Screenshot,
    WindowShot,
    Dump,
    Quit,
};

struct ScriptLine {
    int number = 0; // 1-based line in the file
    ScriptOp op = ScriptOp::Quit;
    QString name;                // the control's objectName (click, waitfor, expect, select)
    QString text;                // the rest of the line (press, type, expect, select, screenshot, dump)
    std::vector<double> numbers; // coordinates, factor, steps, milliseconds, the key code
};

struct ScriptError {
    int line = 0;
    QString reason;
};

// Reads the script's text; false with the first bad line's number and reason. A line whose first
// non-blank character is '#' is a comment; blank lines are skipped.
bool parseScript(const QString& source, std::vector<ScriptLine>& lines, ScriptError& error);

// The commands, one line each, for --help.
QStringList scriptCommandHelp();

} // namespace zdemo
