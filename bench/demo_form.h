// Shared by the benchmarks that tap the map window: the demo project generated without raster maps
// into a temporary public folder (the storage and location seams set to it) and opened in a map
// window of 1280 x 800 (offscreen unless a platform is named) as user "demo".
#pragma once

#include "Kordlin_Main.h"

#include "platform/Location.h"
#include "platform/StorageFolders.h"
#include "sample.h"

#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace benchdemo {

class DemoForm {
public:
    // Generates the project with the given options (outDir and tiles are set here) and opens it;
    // Form() is none when it did not open.
    explicit DemoForm(zsample::Options options) {
        options.outDir = m_dir.filePath(QStringLiteral("public"));
        options.tiles = false;
        Sample = zsample::generate(options);
        zelto::platform::setStorageFolders(std::make_unique<zelto::platform::FakeStorageFolders>(
            options.outDir, m_dir.filePath(QStringLiteral("downloads"))));
        zelto::platform::setLocationSource(std::make_unique<zelto::platform::InjectedLocationSource>());
        m_form = std::make_unique<zelto::TMainForm>();
        m_form->resize(1280, 800);
        m_form->show();
        m_form->SetDataOnBackGround(false);
        m_form->SetUser(QStringLiteral("demo"));
        if (!m_form->LoadProject(Sample.opxPath)) {
            std::fprintf(stderr, "the demo project did not open\n");
            m_form.reset();
        }
    }
    ~DemoForm() {
        m_form.reset();
        zelto::platform::setStorageFolders(nullptr);
        zelto::platform::setLocationSource(nullptr);
    }
    DemoForm(const DemoForm&) = delete;
    DemoForm& operator=(const DemoForm&) = delete;

    zelto::TMainForm* Form() const { return m_form.get(); }
    zsample::Result Sample;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<zelto::TMainForm> m_form;
};

} // namespace benchdemo
