#pragma once
// A graph window (frequency graph or Smith chart) over its own state,
// settings and markers, for the window tests.

#include "display/graph/graph_settings.h"
#include "display/graph/marker_model.h"
#include "graph_fixture.h"

#include <QLabel>
#include <QSize>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace graphtest {

/// Window W shown at `size` by Show(); Get finds a named child and fails the
/// test when there is none.
template <class W>
struct GraphWindowFixture : ::testing::Test {
    std::unique_ptr<MeasureState> s = NewState();
    GraphSettings settings;
    MarkerTable markers;
    std::unique_ptr<W> w;

    void Show(QSize size) {
        w = std::make_unique<W>(*s, settings, markers);
        w->resize(size);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    }
    template <class T = QWidget>
    T* Get(const QString& name) {
        T* c = w->template findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name.toStdString();
        return c;
    }
    QString Text(const QString& name) { return Get<QLabel>(name)->text(); }
};

} // namespace graphtest
