// zlt find: the stand group under a model point, named by its unit label, as the map names the
// stand group under a tap.
#include "zlt.h"

#include "forest/e_LHCElements.h"
#include "forest/t_ForestModelSelector.h"

#include <cmath>

using namespace zelto;

namespace zlt {

UnitFinder::UnitFinder(Tgis_ForestModel* model) : m_selector(std::make_unique<TForestModelSelector>()) {
    m_selector->SetForestModel(model);
    m_selector->SetFrameClass(&Tgis_PorostniSkupina::StaticClass());
    m_selector->SetReferenceFrameClass(&Tgis_PorostniSkupina::StaticClass());
}

UnitFinder::~UnitFinder() = default;

Tgis_ForestUnit* UnitFinder::unitAt(double x, double y) {
    m_selector->SetActualFrame(nullptr);
    m_selector->SetX(x);
    m_selector->SetY(y);
    m_selector->DoIt();
    return m_selector->GetActualFrame();
}

quint64 UnitFinder::indexBuilds() const {
    return m_selector->IndexBuilds();
}

QString UnitFinder::labelAt(double x, double y) {
    const Tgis_ForestUnit* unit = unitAt(x, y);
    return unit ? ForestUnitLabel(unit) : QStringLiteral("none");
}

namespace {

// A finite number in the C locale's form ("-745000.5", "1e3").
double coordinate(const char* which, const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        throw ZltError(
            QStringLiteral("find: %1 \"%2\" is not a finite number").arg(QLatin1String(which), text));
    return v;
}

} // namespace

int runFind(const QStringList& args, QTextStream& out, QTextStream&) {
    static const char* const names[] = {"FILE", "X", "Y"};
    if (args.size() < 3)
        throw ZltError(QStringLiteral("find: missing argument %1").arg(QLatin1String(names[args.size()])));
    if (args.size() > 3) throw ZltError(QStringLiteral("find: unexpected argument \"%1\"").arg(args.at(3)));
    // The coordinates are checked before the file is read.
    const double x = coordinate("X", args.at(1));
    const double y = coordinate("Y", args.at(2));
    const LoadedStream file(args.at(0));
    auto* model = zelto_cast<Tgis_ForestModel>(file.root());
    if (!model)
        throw ZltError(QStringLiteral("find: %1: the stream holds no forest model (its root is %2, not "
                                      "Tgis_ForestModel)")
                           .arg(args.at(0), file.root()->ClassName()));
    UnitFinder finder(model);
    out << finder.labelAt(x, y) << '\n';
    return 0;
}

} // namespace zlt
