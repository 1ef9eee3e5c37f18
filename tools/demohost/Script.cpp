#include "Script.h"

#include <QLocale>
#include <QMetaEnum>
#include <QRegularExpression>

#include <cmath>

namespace zdemo {

namespace {

// What follows the command word.
enum class Shape {
    Nothing,      // quit
    Name,         // click NAME
    NameAndText,  // expect NAME TEXT (the text may be empty)
    NameWithText, // select NAME TEXT
    Text,         // press TEXT
    Numbers,      // tap X Y
    KeyName,      // key NAME
};

struct Syntax {
    const char* word;
    ScriptOp op;
    Shape shape;
    const char* arguments; // as the help shows them; for numbers, one word per number
    const char* help;
};

const Syntax kCommands[] = {
    {"click", ScriptOp::Click, Shape::Name, "NAME", "click the visible, enabled control of that objectName"},
    {"press", ScriptOp::Press, Shape::Text, "TEXT", "click the visible button whose text is TEXT"},
    {"tap", ScriptOp::Tap, Shape::Numbers, "X Y", "tap the map at page pixels X Y"},
    {"tapmodel", ScriptOp::TapModel, Shape::Numbers, "X Y",
     "tap the map at model point X Y (the current view)"},
    {"drag", ScriptOp::Drag, Shape::Numbers, "X1 Y1 X2 Y2",
     "drag over the map from X1 Y1 to X2 Y2 (page pixels)"},
    {"pinch", ScriptOp::Pinch, Shape::Numbers, "X Y FACTOR",
     "two fingers at X Y spread by FACTOR (below 1: pinched); needs --touch"},
    {"wheel", ScriptOp::Wheel, Shape::Numbers, "X Y STEPS",
     "turn the mouse wheel at X Y by STEPS notches (positive: zoom in)"},
    {"type", ScriptOp::Type, Shape::Text, "TEXT", "type TEXT into the control that has the keyboard focus"},
    {"key", ScriptOp::Key, Shape::KeyName, "NAME",
     "press and release a key by its Qt name (Return, Escape, Back)"},
    {"wait", ScriptOp::Wait, Shape::Numbers, "MS", "let MS milliseconds pass"},
    {"waitfor", ScriptOp::WaitFor, Shape::Name, "NAME", "wait up to 10 s for a visible control of that name"},
    {"waittext", ScriptOp::WaitText, Shape::NameAndText, "NAME TEXT",
     "wait up to 10 s until the visible control's text is TEXT"},
    {"expect", ScriptOp::Expect, Shape::NameAndText, "NAME TEXT",
     "the visible control's text (label, button, edit, combo, list) is TEXT"},
    {"select", ScriptOp::Select, Shape::NameWithText, "NAME TEXT",
     "tap the entry TEXT (blanks trimmed) of a visible list or combo"},
    {"tick", ScriptOp::Tick, Shape::NameWithText, "NAME TEXT",
     "tap the tick box of the entry TEXT (blanks trimmed) of a visible list"},
    {"gps", ScriptOp::Gps, Shape::Numbers, "LAT LON",
     "a position in WGS84 degrees from the position source (the GPS must be on)"},
    {"findunit", ScriptOp::FindUnit, Shape::Numbers, "X Y",
     "find the stand group at model point X Y as a tap does: named in the unit labels, highlighted"},
    {"screenshot", ScriptOp::Screenshot, Shape::Text, "FILE", "save the map window as PNG"},
    {"windowshot", ScriptOp::WindowShot, Shape::NameAndText, "NAME FILE",
     "save the visible window of that objectName (the import window, the photo viewer) as PNG"},
    {"dump", ScriptOp::Dump, Shape::Text, "FILE", "write the widgets of the component's windows as JSON"},
    {"quit", ScriptOp::Quit, Shape::Nothing, "", "close the map window as the user would, then exit 0"},
};

const QRegularExpression& blanks() {
    static const QRegularExpression re(QStringLiteral("[ \\t]+"));
    return re;
}

// The first word of `rest` and what follows the blanks after it.
QString takeWord(QString& rest) {
    const qsizetype end = rest.indexOf(blanks());
    if (end < 0) {
        QString word = rest;
        rest.clear();
        return word;
    }
    QString word = rest.left(end);
    const QRegularExpressionMatch m = blanks().match(rest, end);
    rest = rest.mid(m.capturedEnd());
    return word;
}

bool isInteger(ScriptOp op, int index) {
    return op == ScriptOp::Wait || (op == ScriptOp::Wheel && index == 2);
}

bool parseNumbers(const Syntax& syntax, const QString& rest, ScriptLine& line, QString& reason) {
    const QStringList names = QString::fromLatin1(syntax.arguments).split(QLatin1Char(' '));
    const QStringList words = rest.split(blanks(), Qt::SkipEmptyParts);
    if (words.size() != names.size()) {
        reason =
            QStringLiteral("%1 wants %2").arg(QLatin1String(syntax.word), QLatin1String(syntax.arguments));
        return false;
    }
    const QLocale c = QLocale::c();
    for (int i = 0; i < words.size(); ++i) {
        bool ok = false;
        double value = 0;
        if (isInteger(syntax.op, i))
            value = c.toInt(words[i], &ok);
        else
            value = c.toDouble(words[i], &ok);
        if (!ok || !std::isfinite(value)) {
            reason = QStringLiteral("bad number \"%1\" for %2").arg(words[i], names[i]);
            return false;
        }
        line.numbers.push_back(value);
    }
    const auto range = [&](int i, double low, double high) {
        if (line.numbers[size_t(i)] >= low && line.numbers[size_t(i)] <= high) return true;
        reason = QStringLiteral("%1 must lie between %2 and %3").arg(names[i]).arg(low).arg(high);
        return false;
    };
    switch (syntax.op) {
    case ScriptOp::Wait:
        return range(0, 0, 600000);
    case ScriptOp::Wheel:
        if (line.numbers[2] == 0) {
            reason = QStringLiteral("STEPS must not be 0");
            return false;
        }
        return range(2, -100, 100);
    case ScriptOp::Pinch:
        return range(2, 0.05, 20);
    case ScriptOp::Gps:
        return range(0, -90, 90) && range(1, -180, 180);
    default:
        return true;
    }
}

bool parseLine(const QString& text, ScriptLine& line, QString& reason) {
    QString rest = text;
    const QString word = takeWord(rest);
    const Syntax* syntax = nullptr;
    for (const Syntax& s : kCommands)
        if (word == QLatin1String(s.word)) syntax = &s;
    if (!syntax) {
        reason = QStringLiteral("unknown command \"%1\"").arg(word);
        return false;
    }
    line.op = syntax->op;
    const QString command = QLatin1String(syntax->word);
    switch (syntax->shape) {
    case Shape::Nothing:
        if (!rest.isEmpty()) reason = QStringLiteral("%1 takes nothing after it").arg(command);
        break;
    case Shape::Name:
    case Shape::KeyName:
        line.name = takeWord(rest);
        if (line.name.isEmpty())
            reason = QStringLiteral("%1 wants %2").arg(command, QLatin1String(syntax->arguments));
        else if (!rest.isEmpty())
            reason = QStringLiteral("%1 takes one name, not \"%2 %3\"").arg(command, line.name, rest);
        else if (syntax->shape == Shape::KeyName) {
            bool ok = false;
            const int key = QMetaEnum::fromType<Qt::Key>().keyToValue(("Key_" + line.name).toLatin1(), &ok);
            if (ok)
                line.numbers.push_back(key);
            else
                reason = QStringLiteral("unknown key \"%1\"").arg(line.name);
        }
        break;
    case Shape::NameAndText:
    case Shape::NameWithText:
        line.name = takeWord(rest);
        line.text = rest;
        if (line.name.isEmpty() || (syntax->shape == Shape::NameWithText && rest.isEmpty()))
            reason = QStringLiteral("%1 wants %2").arg(command, QLatin1String(syntax->arguments));
        break;
    case Shape::Text:
        // A file name's trailing blanks are a slip of the editor, a text's are meant.
        line.text = qstrcmp(syntax->arguments, "FILE") == 0 ? rest.trimmed() : rest;
        if (line.text.isEmpty())
            reason = QStringLiteral("%1 wants %2").arg(command, QLatin1String(syntax->arguments));
        break;
    case Shape::Numbers:
        parseNumbers(*syntax, rest, line, reason);
        break;
    }
    return reason.isEmpty();
}

} // namespace

bool parseScript(const QString& source, std::vector<ScriptLine>& lines, ScriptError& error) {
    lines.clear();
    const QStringList texts = source.split(QLatin1Char('\n'));
    for (int i = 0; i < texts.size(); ++i) {
        QString text = texts[i];
        if (text.endsWith(QLatin1Char('\r'))) text.chop(1);
        // Leading blanks go; trailing ones stay, for they can be part of a text to expect.
        const qsizetype start = text.indexOf(QRegularExpression(QStringLiteral("[^ \\t]")));
        if (start < 0 || text[start] == QLatin1Char('#')) continue;
        ScriptLine line;
        line.number = i + 1;
        QString reason;
        if (!parseLine(text.mid(start), line, reason)) {
            error = {i + 1, reason};
            return false;
        }
        lines.push_back(std::move(line));
    }
    return true;
}

QStringList scriptCommandHelp() {
    QStringList help;
    for (const Syntax& s : kCommands)
        help << QStringLiteral("  %1 %2")
                    .arg(QStringLiteral("%1 %2").arg(QLatin1String(s.word), QLatin1String(s.arguments)), -24)
                    .arg(QLatin1String(s.help));
    return help;
}

} // namespace zdemo
