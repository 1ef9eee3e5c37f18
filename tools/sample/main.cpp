#include "sample.h"

#include "startup/Init.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    // Painting tiles needs no windowing system: the labels use the tool's own stroke font.
    QCoreApplication app(argc, argv);
    zelto::init();
    QTextStream out(stdout);
    QTextStream err(stderr);
    return zsample::runSample(app.arguments().mid(1), out, err);
}
