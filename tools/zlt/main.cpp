#include "zlt.h"

#include "startup/Init.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    zelto::init();
    QTextStream out(stdout);
    QTextStream err(stderr);
    return zlt::runZlt(app.arguments().mid(1), out, err);
}
