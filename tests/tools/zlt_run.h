// Runs the zlt tool in-process for the tests and keeps what it printed.
#pragma once

#include "zlt.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace zlt::testing {

struct Result {
    int status = -1;
    QString out, err;
};

inline Result run(const QStringList& args) {
    Result r;
    QTextStream out(&r.out), err(&r.err);
    r.status = zlt::runZlt(args, out, err);
    return r;
}

} // namespace zlt::testing
