// zlt: a command-line inspector of .zlt object streams and converter of coordinates. Each
// subcommand is one entry of the command table (zlt.cpp); a handler gets the arguments after the
// subcommand's name, writes its result to `out` and answers the exit status. A handler reports a
// failure by raising ZltError (or a stream error); runZlt then prints the message on `err`, prints
// nothing on `out` and answers 1. The coordinate filters report a line that fails on `err`, go on
// and answer 1 at the end.
#pragma once

#include "framework/Errors.h"
#include "persistence/t_Loader.h"

#include <QByteArrayView>
#include <QStringList>
#include <QTextStream>

#include <memory>
#include <span>

namespace zelto {
class TForestModelSelector;
class Tgis_ForestModel;
class Tgis_ForestUnit;
} // namespace zelto

namespace zlt {

// A failure of a subcommand, reported as "zlt: " + message.
class ZltError : public zelto::EZeltoError {
public:
    using EZeltoError::EZeltoError;
};

using Handler = int (*)(const QStringList& args, QTextStream& out, QTextStream& err);

struct Command {
    const char* name;
    const char* synopsis; // the arguments, as shown in the usage line
    const char* summary;  // one line for the command list
    const char* details;  // further lines for "zlt help COMMAND" (may be empty)
    Handler handler;
};

// Every subcommand, in the order the help lists them.
std::span<const Command> commands();

// Runs one invocation; `args` excludes the program name. Answers the exit status.
int runZlt(const QStringList& args, QTextStream& out, QTextStream& err);

// Handlers.
int runInfo(const QStringList& args, QTextStream& out, QTextStream& err);
int runDump(const QStringList& args, QTextStream& out, QTextStream& err);
int runGeoJson(const QStringList& args, QTextStream& out, QTextStream& err);
int runCs2Jtsk(const QStringList& args, QTextStream& out, QTextStream& err);
int runJtsk2Wgs(const QStringList& args, QTextStream& out, QTextStream& err);
int runFind(const QStringList& args, QTextStream& out, QTextStream& err);
int runGpx(const QStringList& args, QTextStream& out, QTextStream& err);

// JSON text shared by the subcommands: a string with the escapes JSON needs (a lone surrogate
// becomes U+FFFD, which UTF-8 output cannot carry otherwise), a finite number in its shortest
// round-trip form whatever the locale, and a real whose non-finite values are strings ("NaN",
// "Infinity", "-Infinity").
void appendJsonString(QString& out, const QString& s);
void appendJsonNumber(QString& out, double v);
void appendJsonReal(QString& out, double v);

// The number a word of a text file stands for, exactly as QString::toDouble reads the word (C
// locale): ok is false when it is none. A plain decimal word (an optional sign, digits, an optional
// fraction and exponent) is read straight from its bytes; any other word goes through
// QString::toDouble, so the odd ones ("nan", "+inf", ".5", Unicode blanks) keep its answer.
double textNumber(QByteArrayView word, bool& ok);

// The bytes of a stream file, a pipe or a device included; raises a stream error naming the file
// when it is missing or does not start with a stream signature (checked before reading further),
// ZltError when it is a directory.
QByteArray readStreamBytes(const QString& fileName);

// A stream file read with the program's loader (either layout); the destructor frees everything
// the read produced. Raises ZltError naming the file when it is a directory or holds no element.
// A regular file is read by the loader itself; anything else (a pipe) through readStreamBytes,
// unless the bytes are given.
class LoadedStream {
public:
    explicit LoadedStream(const QString& fileName, const QByteArray& data = QByteArray());
    ~LoadedStream();
    LoadedStream(const LoadedStream&) = delete;
    LoadedStream& operator=(const LoadedStream&) = delete;

    zelto::TElement* root() const { return m_root; }

private:
    zelto::TLoad m_load;
    zelto::TElement* m_root = nullptr;
    std::unique_ptr<zelto::TOwnerEntity> m_holder;     // the root's owner while the read lives
    std::unique_ptr<zelto::TDestructionWatch> m_watch; // which elements of the read are still alive
};

// The stand-group search of the map's tap (zlt find): a forest unit selector on `model` with frame
// class and reference frame class Tgis_PorostniSkupina. Every search starts afresh (the selector
// would otherwise keep its previous result while the point still lies in it), so the answer is the
// first stand group in hierarchy order whose area holds the point.
class UnitFinder {
public:
    explicit UnitFinder(zelto::Tgis_ForestModel* model);
    ~UnitFinder();
    UnitFinder(const UnitFinder&) = delete;
    UnitFinder& operator=(const UnitFinder&) = delete;

    // The unit found at the model point, or none.
    zelto::Tgis_ForestUnit* unitAt(double x, double y);
    // Its unit label (ForestUnitLabel), "none" when nothing was found.
    QString labelAt(double x, double y);
    // How many point indexes over a unit's children the searches have built so far.
    quint64 indexBuilds() const;

private:
    std::unique_ptr<zelto::TForestModelSelector> m_selector;
};

// The single FILE argument of a subcommand; raises ZltError when it is missing or not alone.
QString fileArgument(const char* command, const QStringList& args);

} // namespace zlt
