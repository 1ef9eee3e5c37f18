// libFuzzer target: the text readers on arbitrary bytes. The input is read as a parameter file
// (every line classified, every parameter's value taken as each type), as a definition file, and
// each of its lines through the line cursor (words, quoted strings, numbers, steps). Crashes,
// sanitizer reports, leaks, timeouts and exceptions are findings: the readers never raise.
#include "framework/CtiRadek.h"
#include "persistence/CtiPar.h"
#include "startup/Init.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <unistd.h>

#include <cstddef>
#include <cstdint>

using namespace zelto;

namespace {

QString g_file;

void cursor(const QString& line) {
    TCtiRadekClass c(line);
    while (!c.KonecRadku() && !c.DosloKChybe()) {
        const qint32 before = c.Ukazovatko;
        switch (c.AktualniZnak().unicode() % 6) {
        case 0:
            c.DejInteger();
            break;
        case 1:
            c.DejReal();
            break;
        case 2:
            c.DejStringPoApostrof();
            break;
        case 3: {
            bool quoted = false;
            c.DejParametrStr(quoted);
            break;
        }
        case 4:
            c.DejDekodovanyReal();
            break;
        default:
            c.DejBoolean();
            break;
        }
        c.PreskocMezery();
        if (c.Ukazovatko == before) c.StepVp();
    }
    c.ZnovuOdZacatkuRadku();
    c.DejString(qint32(line.size()) / 2);
    c.JdiZaZnak(QLatin1Char('='));
    c.DejExtended();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    zelto::init();
    g_file = QDir::temp().filePath(QStringLiteral("zelto-fuzz-text-%1").arg(getpid()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        QFile f(g_file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    bool ok = false;
    TCteniParametru params(g_file, ok);
    for (bool last = !ok; !last;) {
        bool isParam = false, isInfo = false;
        QString value, name;
        params.DejRadek(isParam, isInfo, value, name, last);
        if (isParam) {
            params.DejBooleanParametr();
            params.DejLongIntParametr();
            params.DejRealParametr();
            params.DejExtendedParametr();
        }
        cursor(params.Radek);
    }
    TCtiDefInfa defs(g_file, ok);
    for (bool last = !ok; !last;) {
        bool isInfo = false;
        QString content;
        defs.DejRadek(isInfo, last, content);
        cursor(content);
    }
    return 0;
}
