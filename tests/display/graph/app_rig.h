#pragma once
// The display program's main window over a session that is not started, as
// the graph and settings tests use it: the shipped calibration loaded, the
// window shown, and the lasting settings read from `settingsFile` (none when
// empty).
#include "bench/display/sweep_reports.h"
#include "display/app/master_session.h"
#include "display/app/master_window.h"
#include "display/calib/calib_table.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace graphtest {

struct ProgramRun {
    std::unique_ptr<MeasureState> s = std::make_unique<MeasureState>();
    std::unique_ptr<CalibTable> cal = std::make_unique<CalibTable>();
    std::unique_ptr<MasterSession> m;
    std::unique_ptr<Master> w;
    explicit ProgramRun(const QString& settingsFile = QString()) {
        m = std::make_unique<MasterSession>(*s, *cal);
        EXPECT_EQ(PrepareBenchSession(*m), QString());
        w = std::make_unique<Master>(*m);
        w->setModalMessages(false);
        w->show();
        w->AfterStartup();
        w->RestoreSettings(settingsFile);
        QApplication::processEvents();
    }
    template <class T>
    T* Find(const char* name) {
        T* x = w->findChild<T*>(name);
        EXPECT_NE(x, nullptr) << name;
        return x;
    }
};

} // namespace graphtest
